#include "script/TDumpWriter.h"

#include "core/Errors.h"

namespace brevant {

TDumpWriter::TDumpWriter(std::ostream& stream, TParserEncoding encoding) : FStream(&stream), FEncoding(encoding) {
    if (encoding == peUtf16) FBuffer = "\xFF\xFE";
    else if (encoding == peUtf8) FBuffer = "\xEF\xBB\xBF";
}

TDumpWriter::TDumpWriter(TStrings& lines, bool rowsUtf8) : FLines(&lines), FRowsUtf8(rowsUtf8) {}

TDumpWriter::~TDumpWriter() = default;

void TDumpWriter::Put(UStringView text) {
    switch (FEncoding) {
        case peUtf16:
            for (char16_t c : text) {
                FBuffer += static_cast<char>(c & 0xFF);
                FBuffer += static_cast<char>(c >> 8);
            }
            break;
        case peUtf8: FBuffer += Utf16ToUtf8(text); break;
        case peAnsi: FBuffer += Utf16ToAnsi(text); break;
    }
}

void TDumpWriter::WriteLine(UStringView text) {
    if (FLines) {
        TStrings split;
        split.SetText(text);
        if (split.Empty()) FLines->Add(UString());
        for (const UString& line : split.Lines()) FLines->Add(line);
        return;
    }
    // Lines as the server returned them (LF inside a CREATE statement) end in CR LF.
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\n' && text[i] != u'\r') continue;
        Put(text.substr(start, i - start));
        Put(u"\r\n");
        if (i < text.size() && text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    MaybeFlush();
}

void TDumpWriter::WriteText(UStringView text) {
    if (FLines) {
        TStrings split;
        split.SetText(text);
        for (const UString& line : split.Lines()) FLines->Add(line);
        return;
    }
    Put(text);
    MaybeFlush();
}

void TDumpWriter::WriteRowLine(std::string_view bytes) {
    if (FLines) {
        FLines->Add(FRowsUtf8 ? Utf8ToUtf16(bytes) : AnsiToUtf16(bytes));
        return;
    }
    if (FEncoding == peUtf16) {
        FWide = Utf8ToUtf16(bytes);
        Put(FWide);
        Put(u"\r\n");
    } else {
        FBuffer.append(bytes);
        FBuffer += "\r\n";
    }
    MaybeFlush();
}

void TDumpWriter::Flush() {
    if (!FStream || FBuffer.empty()) return;
    FStream->write(FBuffer.data(), static_cast<std::streamsize>(FBuffer.size()));
    FBuffer.clear();
    if (!*FStream) throw Exception(std::string_view("Cannot write the backup"));
}

}  // namespace brevant
