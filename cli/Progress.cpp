#include "cli/Progress.h"

#include <unistd.h>

#include <algorithm>

namespace brevant::cli {

TProgress::TMode TProgress::ModeFor(bool quiet) {
    if (quiet) return pmNone;
    return isatty(STDERR_FILENO) ? pmBar : pmLines;
}

void TProgress::Report(const char* what, int percent, const std::string& object) {
    percent = std::clamp(percent, 0, 100);
    if (FMode == pmNone || (percent == FLast && object == FLastObject)) return;
    FLast = percent;
    FLastObject = object;
    if (FMode == pmLines) {
        std::fprintf(FOut, "%s: %d%%%s%s\n", what, percent, object.empty() ? "" : " ", object.c_str());
        std::fflush(FOut);
        return;
    }
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    std::string bar(filled, '#');
    bar.append(kWidth - filled, '.');
    // Cut so that a long name never wraps the line the bar is redrawn on.
    std::fprintf(FOut, "\r%s [%s] %3d%% %-30.30s", what, bar.c_str(), percent, object.c_str());
    std::fflush(FOut);
    FOpenLine = true;
}

void TProgress::Finish() {
    if (FOpenLine) std::fputc('\n', FOut);
    FOpenLine = false;
}

}  // namespace brevant::cli
