#include "cli/RowText.h"

#include <array>

namespace brevant::cli {
namespace {

/// The letter after the backslash for each byte the tab-separated form escapes, else 0.
constexpr std::array<char, 256> kTsvEscapes = [] {
    std::array<char, 256> t{};
    t['\t'] = 't';
    t['\n'] = 'n';
    t['\r'] = 'r';
    t['\\'] = '\\';
    t['\0'] = '0';
    return t;
}();

void AppendTsv(std::string& line, std::string_view value) {
    std::size_t run = 0;  // start of the bytes not yet copied
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char letter = kTsvEscapes[static_cast<unsigned char>(value[i])];
        if (letter == 0) continue;
        line.append(value.data() + run, i - run);
        line += '\\';
        line += letter;
        run = i + 1;
    }
    line.append(value.data() + run, value.size() - run);
}

void AppendCsv(std::string& line, std::string_view value) {
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
        line += value;
        return;
    }
    line += '"';
    for (std::size_t quote; (quote = value.find('"')) != std::string_view::npos; value.remove_prefix(quote + 1)) {
        line.append(value.data(), quote + 1);
        line += '"';
    }
    line += value;
    line += '"';
}

}  // namespace

void AppendField(std::string& line, TRowFormat format, std::string_view value, bool isNull, bool first) {
    if (!first) line += format == TRowFormat::Tsv ? '\t' : ',';
    if (format == TRowFormat::Tsv) {
        if (isNull) line += "\\N";
        else AppendTsv(line, value);
    } else if (!isNull) {
        AppendCsv(line, value);
    }
}

}  // namespace brevant::cli
