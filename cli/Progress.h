#pragma once
// Progress of a backup or restore on stderr: a bar redrawn in place on a terminal,
// one line per change otherwise (for logs), nothing when quiet.

#include <cstdio>
#include <string>

namespace brevant::cli {

class TProgress {
public:
    enum TMode { pmNone, pmLines, pmBar };
    TProgress(TMode mode, std::FILE* out) : FMode(mode), FOut(out) {}
    ~TProgress() { Finish(); }

    /// The mode for stderr: none when quiet, a bar on a terminal, lines otherwise.
    static TMode ModeFor(bool quiet);

    /// `what` names the run ("backup", "restore"); `object` the table, when known.
    void Report(const char* what, int percent, const std::string& object = {});
    /// Ends the bar's line.
    void Finish();

private:
    TMode FMode;
    std::FILE* FOut;
    int FLast = -1;
    std::string FLastObject;
    bool FOpenLine = false;
};

}  // namespace brevant::cli
