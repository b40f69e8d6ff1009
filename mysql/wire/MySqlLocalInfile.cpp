#include "mysql/wire/MySqlLocalInfile.h"

#include <cctype>

namespace brevant {

namespace {

class Scanner {
public:
    explicit Scanner(std::string_view s) : s_(s) {}

    // Blanks and comments between tokens.
    void SkipSpace() {
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (c == '#' || (c == '-' && Next(1) == '-' && std::isspace(static_cast<unsigned char>(Next(2))))) {
                while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
            } else if (c == '/' && Next(1) == '*') {
                std::size_t end = s_.find("*/", pos_ + 2);
                pos_ = end == std::string_view::npos ? s_.size() : end + 2;
            } else {
                break;
            }
        }
    }
    // A keyword, case-insensitive, followed by something that is not a name character.
    bool Keyword(std::string_view word) {
        SkipSpace();
        if (s_.size() - pos_ < word.size()) return false;
        for (std::size_t i = 0; i < word.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(s_[pos_ + i])) != word[i]) return false;
        char after = Next(word.size());
        if (std::isalnum(static_cast<unsigned char>(after)) || after == '_' || after == '$') return false;
        pos_ += word.size();
        return true;
    }
    // A quoted literal, read with backslash escapes (escaped) and with the
    // backslash as an ordinary character (raw). False when it is not closed.
    bool Literal(std::string& escaped, std::string& raw) {
        SkipSpace();
        if (pos_ >= s_.size() || (s_[pos_] != '\'' && s_[pos_] != '"')) return false;
        const char quote = s_[pos_];
        const bool okEscaped = Read(pos_ + 1, quote, true, escaped);
        const bool okRaw = Read(pos_ + 1, quote, false, raw);
        if (!okEscaped) escaped.clear();
        if (!okRaw) raw.clear();
        return okEscaped || okRaw;
    }

private:
    bool Read(std::size_t i, char quote, bool escapes, std::string& out) const {
        for (; i < s_.size(); ++i) {
            char c = s_[i];
            if (c == quote) {
                if (i + 1 < s_.size() && s_[i + 1] == quote) {
                    out += quote;
                    ++i;
                    continue;
                }
                return true;
            }
            if (escapes && c == '\\' && i + 1 < s_.size()) {
                char e = s_[++i];
                switch (e) {
                    case '0': out += '\0'; break;
                    case 'b': out += '\b'; break;
                    case 'n': out += '\n'; break;
                    case 'r': out += '\r'; break;
                    case 't': out += '\t'; break;
                    case 'Z': out += '\x1A'; break;
                    case '%': out += "\\%"; break;
                    case '_': out += "\\_"; break;
                    default: out += e; break;
                }
                continue;
            }
            out += c;
        }
        return false;
    }
    char Next(std::size_t ahead) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }
    std::string_view s_;
    std::size_t pos_ = 0;
};

}  // namespace

std::vector<std::string> LocalInfileNames(std::string_view statement) {
    Scanner s(statement);
    if (!s.Keyword("LOAD") || !s.Keyword("DATA")) return {};
    if (!s.Keyword("LOW_PRIORITY")) s.Keyword("CONCURRENT");
    if (!s.Keyword("LOCAL") || !s.Keyword("INFILE")) return {};
    std::string escaped, raw;
    if (!s.Literal(escaped, raw)) return {};
    std::vector<std::string> names;
    if (!escaped.empty()) names.push_back(escaped);
    if (!raw.empty() && raw != escaped) names.push_back(raw);
    return names;
}

}  // namespace brevant
