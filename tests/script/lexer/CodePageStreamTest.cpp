// Scripts in a double-byte system code page (BREVANT_CODEPAGE, set per test run) read
// from a stream: a character is never cut at a block edge. In Shift-JIS, GBK and Big5 a
// trail byte can be 0x5C, which read alone is a back-slash that escapes the closing
// quote and joins the statements after it.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ScriptFiles.h"
#include "core/CodePage.h"

namespace brevant {
namespace {

struct CodePageChar {
    unsigned codePage;
    std::string bytes;
    std::u16string character;
};

const CodePageChar kChars[] = {
    {932, "\x83\x5C", u"\u30BD"},  // katakana so: trail byte 0x5C
    {936, "\x81\x5C", u"\u4E57"},  // trail byte 0x5C
    {949, "\xB0\xA1", u"\uAC00"},  // hangul ga
    {950, "\xB3\x5C", u"\u8A31"},  // trail byte 0x5C
};

std::vector<std::u16string> SplitStream(const std::string& bytes) {
    std::istringstream in(bytes);
    TMyScriptProcessor proc;
    std::vector<std::u16string> out;
    proc.OnStatement = [&](const TScriptStatement& s) {
        out.emplace_back(s.SQL);
        return true;
    };
    proc.AttachStream(in, peAnsi);
    while (proc.ExecuteNext()) {}
    return out;
}

TEST(CodePageStreamTest, CharacterAcrossBlockEdges) {
    const CodePageChar* ch = nullptr;
    for (const auto& c : kChars)
        if (c.codePage == AnsiCodePage()) ch = &c;
    ASSERT_NE(ch, nullptr) << "run with BREVANT_CODEPAGE set to 932, 936, 949 or 950";
    for (std::size_t block : {1u, 2u, 3u, 4u, 7u}) {
        for (std::size_t filler = 0; filler < 2 * block; ++filler) {
            SCOPED_TRACE(testing::Message() << "blocks of " << block << ", " << filler << " bytes before");
            const std::string bytes = "select '" + std::string(filler, 'x') + ch->bytes + "', '" + ch->bytes +
                                      ch->bytes + "';\nselect 2;";
            TParserSource::BlockSizeForTesting = block;
            const auto got = SplitStream(bytes);
            TParserSource::BlockSizeForTesting = 0;
            const std::u16string c = ch->character;
            EXPECT_EQ(got, (std::vector<std::u16string>{
                               u"select '" + std::u16string(filler, u'x') + c + u"', '" + c + c + u"'", u"select 2"}));
        }
    }
}

}  // namespace
}  // namespace brevant
