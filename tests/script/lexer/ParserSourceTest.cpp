// The lexer over streams: encodings, 64 KB block boundaries and bounded memory.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "ScriptFiles.h"
#include "TestServer.h"
#include "script/lexer/TMyParser.h"

namespace brevant {
namespace {

struct Tok {
    int code;
    UString text;
    std::int64_t pos, line, col;
    bool operator==(const Tok&) const = default;
};

/// Every token; with maxBuffered, also the most text the lexer held at once.
std::vector<Tok> LexAll(TParser& p, std::size_t* maxBuffered = nullptr) {
    p.OmitBlank = false;
    p.QuotedString = true;
    std::vector<Tok> out;
    UString text;
    for (int code; (code = p.GetNext(text)) != lcEnd;) {
        out.push_back({code, text, p.PrevPos(), p.PrevLine(), p.PrevCol()});
        if (maxBuffered) *maxBuffered = std::max(*maxBuffered, p.BufferedChars());
    }
    return out;
}

std::string Bytes(UStringView text, TParserEncoding encoding) {
    switch (encoding) {
    case peAnsi: return Utf16ToAnsi(text);
    case peUtf8: return Utf16ToUtf8(text);
    case peUtf16: return test::Utf16LeBytes(text, false);
    }
    return {};
}

TEST(TParserSourceTest, StreamTokensEqualTextTokens) {
    const UString text = Utf8ToUtf16(test::ReadFileBytes(test::TestDataPath("sakila/sakila-data.sql")));
    TMyParser inMemory(text);
    const auto expected = LexAll(inMemory);
    for (TParserEncoding e : {peAnsi, peUtf8, peUtf16}) {
        SCOPED_TRACE(e);
        // For the 8-bit code page only characters it has survive: compare with the text
        // decoded the same way.
        const std::string bytes = Bytes(text, e);
        std::istringstream in(bytes);
        TMyParser fromStream(in, e);
        std::size_t maxBuffered = 0;
        const std::vector<Tok> got = LexAll(fromStream, &maxBuffered);
        if (e == peAnsi) {
            TMyParser ansiText(AnsiToUtf16(bytes));
            EXPECT_EQ(got, LexAll(ansiText));
        } else {
            EXPECT_EQ(got, expected);
        }
        // The 3.3 MB file is never held whole: at most a block and the token being read.
        EXPECT_LT(maxBuffered, 8 * TParserSource::BlockSize);
        EXPECT_EQ(fromStream.StreamBytesRead(), static_cast<std::int64_t>(bytes.size()));
    }
}

// A token or a multi-byte character placed across the first block boundary, at every
// offset around it, reads as it does from memory.
TEST(TParserSourceTest, BlockBoundaryCrossings) {
    const std::u16string samples[] = {u"ñ", u"€", u"\U0001F600", u"'a\\'b'", u"/* x */", u"-- c\n"};
    for (TParserEncoding e : {peUtf8, peUtf16}) {
        for (const std::u16string& sample : samples) {
            for (int shift = -6; shift <= 2; ++shift) {
                SCOPED_TRACE(testing::Message() << "encoding " << e << ", sample " << Narrow(sample) << ", shift " << shift);
                // ASCII filler up to just before the boundary, then the sample after "id".
                const std::size_t unit = e == peUtf16 ? 2 : 1;
                const std::size_t boundaryChars = TParserSource::BlockSize / unit;
                std::u16string text(boundaryChars + shift - 3, u' ');
                text[0] = u'a';
                text += u"id" + sample + u"z; next";
                const std::string bytes = Bytes(text, e);
                std::istringstream in(bytes);
                TMyParser fromStream(in, e);
                TMyParser inMemory(text);
                EXPECT_EQ(LexAll(fromStream), LexAll(inMemory));
            }
        }
    }
}

TEST(TParserSourceTest, StatementAcrossBlockBoundary) {
    // One statement whose string value spans several blocks, between two short ones.
    const UString big(3 * TParserSource::BlockSize + 17, u'q');
    const UString script = u"select 1;\ninsert into t values ('" + big + u"', 'ü;');\nselect 2;";
    for (TParserEncoding e : {peAnsi, peUtf8, peUtf16}) {
        SCOPED_TRACE(e);
        const std::string bytes = Bytes(script, e);
        std::istringstream in(bytes);
        TMyScriptProcessor proc;
        std::vector<UString> got;
        proc.OnStatement = [&](const TScriptStatement& s) { got.emplace_back(s.SQL); return true; };
        proc.AttachStream(in, e);
        while (proc.ExecuteNext()) {}
        ASSERT_EQ(got.size(), 3u);
        EXPECT_EQ(got[1], u"insert into t values ('" + big + u"', 'ü;')");
        EXPECT_EQ(got[2], u"select 2");
    }
}

TEST(TParserSourceTest, MemoryDoesNotGrowWithTheStream) {
    // 8 MB of short statements: the lexer's buffer stays within a few blocks.
    std::string script;
    while (script.size() < 8u << 20) script += "insert into t values (1,'abc','d\\'e'),(2,NULL,'f');\n";
    std::istringstream in(script);
    TMyParser p(in, peUtf8);
    std::size_t maxBuffered = 0;
    std::size_t tokens = 0;
    while (p.GetNextToken() != lcEnd) {
        maxBuffered = std::max(maxBuffered, p.BufferedChars());
        ++tokens;
    }
    EXPECT_GT(tokens, 1000000u);
    EXPECT_LE(maxBuffered, 6 * TParserSource::BlockSize);
}

TEST(TParserSourceTest, SizeLimitRewindAndOddBytes) {
    std::istringstream in("skip select 1; select 2");
    in.seekg(5);
    TMyParser p(in, peAnsi, 8);  // "select 1" only
    UString text;
    EXPECT_EQ(p.GetNext(text), lxSELECT);
    EXPECT_EQ(p.GetNext(text), lcNumber);
    EXPECT_EQ(p.GetNext(text), lcEnd);
    p.ToBegin();
    EXPECT_EQ(p.GetNext(text), lxSELECT);

    // A UTF-16 stream with a last odd byte, and UTF-8 ending inside a sequence.
    std::istringstream odd(std::string("a\0b\0c", 5));
    TMyParser q(odd, peUtf16);
    EXPECT_EQ(q.GetNext(text), lcIdent);
    EXPECT_EQ(text, u"ab\uFFFD");
    std::istringstream cut("ab\xE2\x82");
    TMyParser r(cut, peUtf8);
    EXPECT_EQ(r.GetNext(text), lcIdent);
    EXPECT_EQ(text, u"ab\uFFFD");
}

TEST(TParserSourceTest, DetectScriptEncoding) {
    const struct {
        std::string bytes;
        TParserEncoding encoding;
        int nextByte;  // what reading goes on with
    } cases[] = {
        {"\xFF\xFEx\0", peUtf16, 'x'},
        {"\xEF\xBB\xBFy", peUtf8, 'y'},
        {"select", peAnsi, 's'},
        {"s", peAnsi, 's'},
        {"", peAnsi, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::istringstream in(c.bytes);
        EXPECT_EQ(DetectScriptEncoding(in), c.encoding);
        EXPECT_EQ(in.get(), c.nextByte);
    }
}

}  // namespace
}  // namespace brevant

namespace brevant {
namespace {

// Blocks of a few bytes put a boundary inside nearly every token and multi-byte character.
TEST(TParserSourceTest, TinyBlocks) {
    const std::string bytes = test::ReadFileBytes(test::TestDataPath("sakila/sakila-schema.sql")) +
                              "\nselect 'ñ€\U0001F600', `ü`;\r\n-- end ñ\r\n";
    const UString text = Utf8ToUtf16(bytes);
    const auto expected = test::SplitText(text);
    for (std::size_t block : {1u, 2u, 3u, 7u}) {
        for (const auto& [kind, content] : std::vector<std::pair<const char*, std::string>>{
                 {"utf8", "\xEF\xBB\xBF" + bytes}, {"utf16", test::Utf16LeBytes(text, true)}}) {
            SCOPED_TRACE(testing::Message() << kind << " in blocks of " << block);
            TParserSource::BlockSizeForTesting = block;
            const auto got = test::SplitFile(test::WriteTempFile(std::string("tiny_") + kind, content));
            TParserSource::BlockSizeForTesting = 0;
            EXPECT_EQ(got, expected);
        }
    }
}

}  // namespace
}  // namespace brevant
