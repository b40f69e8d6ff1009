#include "core/TStrings.h"

namespace brevant {

UString TStrings::Text() const {
    UString out;
    std::size_t size = 0;
    for (const auto& line : lines_) size += line.size() + 2;
    out.reserve(size);
    for (const auto& line : lines_) {
        out += line;
        out += u"\r\n";
    }
    return out;
}

void TStrings::SetText(UStringView text) {
    lines_.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c != u'\r' && c != u'\n') continue;
        lines_.emplace_back(text.substr(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines_.emplace_back(text.substr(start));
}

}  // namespace brevant
