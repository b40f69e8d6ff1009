#pragma once
// Where a backup's lines go: a byte stream in the script's encoding (UTF-16 LE with
// FF FE, UTF-8 with EF BB BF, or the system code page), each line ended by CR LF,
// or the dump's own SQL lines. Output is buffered and written in large pieces.

#include <ostream>
#include <string>
#include <string_view>

#include "core/TStrings.h"
#include "core/Text.h"
#include "script/lexer/ParserSource.h"

namespace brevant {

class TDumpWriter {
public:
    /// Writes the mark of the encoding first.
    TDumpWriter(std::ostream& stream, TParserEncoding encoding);
    /// Appends to the lines; row bytes are decoded as UTF-8 when `rowsUtf8`, else in
    /// the system code page.
    TDumpWriter(TStrings& lines, bool rowsUtf8);
    ~TDumpWriter();
    TDumpWriter(const TDumpWriter&) = delete;
    TDumpWriter& operator=(const TDumpWriter&) = delete;

    TParserEncoding Encoding() const { return FEncoding; }
    /// Lines of text rather than bytes.
    bool ToLines() const { return FLines != nullptr; }
    /// A line of text (or several, split at line breaks).
    void WriteLine(UStringView text);
    /// Text with its own CR LF line ends, written as it stands.
    void WriteText(UStringView text);
    /// A line of bytes in the connection's character set: UTF-8 when the file is
    /// UTF-16 (converted), else written unchanged.
    void WriteRowLine(std::string_view bytes);
    /// Writes what is buffered; throws when the stream failed.
    void Flush();

private:
    void Put(UStringView text);
    void MaybeFlush() {
        if (FBuffer.size() >= 1 << 16) Flush();
    }

    std::ostream* FStream = nullptr;
    TStrings* FLines = nullptr;
    TParserEncoding FEncoding = peAnsi;
    bool FRowsUtf8 = false;
    std::string FBuffer;
    UString FWide;  // reused for conversions
};

}  // namespace brevant
