// The MySQL lexer and statement splitter on arbitrary bytes in each encoding.
//
// Input: byte 0 chooses the encoding (bits 0-1), whether the stream is read in blocks of
// a few bytes (bit 2) and the lexer switches (bits 3-7); the rest is the script. Checks: no crash or hang; splitting token by token and with bulk skipping give
// the same statements; a stream gives what the same text in memory gives.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "script/lexer/TMyParser.h"
#include "script/lexer/TMyScriptProcessor.h"

using namespace brevant;

namespace {

struct Statement {
    UString sql;
    int type;
    bool omit;
    std::int64_t pos, line, col, endPos;
    bool operator==(const Statement&) const = default;
};

struct Outcome {
    std::vector<Statement> statements;
    UString error;
    bool operator==(const Outcome&) const = default;
};

Outcome Split(TMyScriptProcessor& proc) {
    Outcome o;
    proc.OnStatement = [&](const TScriptStatement& s) {
        o.statements.push_back({UString(s.SQL), s.StatementType, s.Omit, s.StartPos, s.StartLine, s.StartCol, s.EndPos});
        return true;
    };
    try {
        while (proc.ExecuteNext()) {}
    } catch (const EParserError& e) {
        o.error = e.Message();
    }
    return o;
}

UString Decode(const std::string& bytes, TParserEncoding e) {
    switch (e) {
    case peAnsi: return AnsiToUtf16(bytes);
    case peUtf8: return Utf8ToUtf16(bytes);
    case peUtf16: {
        UString t;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            t.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        if (bytes.size() % 2) t.push_back(0xFFFD);
        return t;
    }
    }
    return {};
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "mismatch: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const unsigned mode = data[0];
    const auto encoding = static_cast<TParserEncoding>((mode & 3) % 3);
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    // Small blocks put block boundaries inside the script's tokens and characters.
    TParserSource::BlockSizeForTesting = (mode & 4) ? 1 + (bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % 8) : 0;
    const UString text = Decode(bytes, encoding);

    // The lexer alone, with the switches the input chooses.
    {
        TMyParser p(text);
        p.OmitBlank = mode & 8;
        p.OmitComment = mode & 16;
        p.OmitInlineComment = mode & 32;
        p.Uppered = mode & 64;
        p.QuotedString = mode & 128;
        try {
            UString t;
            std::int64_t last = -1;
            for (int code; (code = p.GetNext(t)) != lcEnd;) {
                Check(p.CurrPos() > last, "lexer does not advance");
                last = p.CurrPos();
                Check(p.CurrPos() <= static_cast<std::int64_t>(text.size()), "position past the end");
            }
        } catch (const EParserError&) {
        }
    }

    // The splitter: token by token, with bulk skipping, and from a stream.
    TMyScriptProcessor slow, fast, streamed;
    slow.FastScan = false;
    slow.AttachText(text);
    fast.AttachText(text);
    std::istringstream in(bytes);
    streamed.AttachStream(in, encoding);
    const Outcome expected = Split(slow);
    Check(Split(fast) == expected, "bulk skipping differs");
    Check(Split(streamed) == expected, "stream differs");
    return 0;
}
