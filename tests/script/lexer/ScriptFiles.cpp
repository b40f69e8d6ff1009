#include "ScriptFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace brevant::test {

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << path;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string WriteTempFile(const std::string& name, const std::string& bytes) {
    const std::string path = ::testing::TempDir() + "brevant_lexer_" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << "cannot write " << path;
    return path;
}

std::string Utf16LeBytes(UStringView text, bool withMark) {
    std::string out;
    if (withMark) out = "\xFF\xFE";
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

namespace {
std::vector<SplitStatement> SplitAll(TMyScriptProcessor& proc) {
    std::vector<SplitStatement> out;
    proc.OnStatement = [&](const TScriptStatement& s) {
        out.push_back({UString(s.SQL), s.StatementType, s.Omit, s.StartPos, s.StartLine, s.StartCol});
        return true;
    };
    while (proc.ExecuteNext()) {}
    return out;
}
}  // namespace

std::vector<SplitStatement> SplitText(UStringView text, bool fastScan) {
    TMyScriptProcessor proc;
    proc.FastScan = fastScan;
    proc.AttachText(text);
    return SplitAll(proc);
}

std::vector<SplitStatement> SplitFile(const std::string& path, bool fastScan) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << path;
    const TParserEncoding encoding = DetectScriptEncoding(in);
    TMyScriptProcessor proc;
    proc.FastScan = fastScan;
    proc.AttachStream(in, encoding);
    return SplitAll(proc);
}

std::string FirstWord(UStringView sql) {
    std::size_t i = 0;
    const auto skipBlanks = [&] { while (i < sql.size() && sql[i] <= u' ') ++i; };
    for (;;) {
        skipBlanks();
        const UStringView rest = sql.substr(i);
        if (rest.starts_with(u"#") || rest.starts_with(u"-- ") || rest.starts_with(u"--\n") ||
            rest.starts_with(u"--\r")) {
            const std::size_t nl = rest.find(u'\n');
            i = nl == UStringView::npos ? sql.size() : i + nl + 1;
        } else if (rest.starts_with(u"/*") && !rest.starts_with(u"/*!")) {
            const std::size_t end = rest.find(u"*/");
            i = end == UStringView::npos ? sql.size() : i + end + 2;
        } else {
            break;
        }
    }
    if (sql.substr(i).starts_with(u"/*!")) return "/*!";
    std::string word;
    for (; i < sql.size(); ++i) {
        char16_t c = sql[i];
        if (c >= u'a' && c <= u'z') c -= 32;
        if (!((c >= u'A' && c <= u'Z') || c == u'_')) break;
        word.push_back(static_cast<char>(c));
    }
    return word;
}

std::map<std::string, int> FirstWordCounts(const std::vector<SplitStatement>& statements) {
    std::map<std::string, int> counts;
    for (const auto& s : statements) ++counts[s.omit ? "[omit]" : FirstWord(s.sql)];
    return counts;
}

}  // namespace brevant::test
