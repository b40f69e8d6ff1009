#include "script/TDumpWriter.h"

#include <bit>
#include <cstring>

#include "core/Errors.h"

namespace brevant {
namespace {

/// Appends UTF-16 code units as little-endian bytes.
void AppendUtf16Le(std::string& out, const char16_t* units, std::size_t n) {
    const std::size_t at = out.size();
    out.resize(at + 2 * n);
    char* p = out.data() + at;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, units, 2 * n);
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            *p++ = static_cast<char>(units[i] & 0xFF);
            *p++ = static_cast<char>(units[i] >> 8);
        }
    }
}

}  // namespace

TDumpWriter::TDumpWriter(std::ostream& stream, TParserEncoding encoding) : FStream(&stream), FEncoding(encoding) {
    if (encoding == peUtf16) FBuffer = "\xFF\xFE";
    else if (encoding == peUtf8) FBuffer = "\xEF\xBB\xBF";
}

TDumpWriter::TDumpWriter(TStrings& lines, bool rowsUtf8) : FLines(&lines), FRowsUtf8(rowsUtf8) {}

TDumpWriter::~TDumpWriter() = default;

void TDumpWriter::Put(UStringView text) {
    switch (FEncoding) {
        case peUtf16: AppendUtf16Le(FBuffer, text.data(), text.size()); break;
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
        // Rows are mostly ASCII: each byte widens to a unit and its zero byte; from
        // the first other byte on, the rest of the line is decoded as UTF-8.
        std::size_t ascii = 0;
        const std::size_t at = FBuffer.size();
        FBuffer.resize(at + 2 * bytes.size() + 4);
        char* p = FBuffer.data() + at;
        for (; ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80; ++ascii) {
            *p++ = bytes[ascii];
            *p++ = 0;
        }
        FBuffer.resize(at + 2 * ascii);
        if (ascii < bytes.size()) {
            FWide.resize(bytes.size() - ascii);
            FWide.resize(Utf8ToUtf16(bytes.substr(ascii), FWide.data()));
            AppendUtf16Le(FBuffer, FWide.data(), FWide.size());
        }
        FBuffer.append("\r\0\n\0", 4);
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
