#pragma once
// A list of lines. Text joins the lines with CR LF (each line followed by CR LF);
// setting Text splits at CR LF, a lone CR or a lone LF.

#include <cstddef>
#include <vector>

#include "core/Text.h"

namespace brevant {

class TStrings {
public:
    TStrings() = default;

    std::size_t Count() const { return lines_.size(); }
    const UString& operator[](std::size_t index) const { return lines_.at(index); }
    UString& operator[](std::size_t index) { return lines_.at(index); }
    void Add(UString line) { lines_.push_back(std::move(line)); }
    void Clear() { lines_.clear(); }
    bool Empty() const { return lines_.empty(); }
    const std::vector<UString>& Lines() const { return lines_; }

    UString Text() const;
    void SetText(UStringView text);

private:
    std::vector<UString> lines_;
};

}  // namespace brevant
