#pragma once
// Running a command pane's text on the Access path one statement at a time. The text
// is cut at each ";" that the SQL lexer sees as a symbol, so a ";" inside a string
// literal, a quoted name or a comment does not cut; each segment keeps its ";". A
// segment that holds nothing but blanks, line breaks and comments is not run. Every
// segment runs, in order, whatever happened to the ones before it.

#include <cstdint>
#include <vector>

#include "core/Text.h"
#include "paths/FDCommand.h"

namespace brevant {

/// The segments of the text that are run, in order.
std::vector<UString> SplitAccessSegments(UStringView text);

struct TFDSegmentOutcome {
    UString SQL;
    bool Succeeded = false;
    std::int64_t RowsAffected = 0;  // when it succeeded
    UString Error;                  // the layer's message when it failed
};

struct TFDScriptOutcome {
    std::vector<TFDSegmentOutcome> Segments;
    bool AnyFailed() const;
    /// The last segment that ran, or null when none did (an empty or blank text).
    const TFDSegmentOutcome* Last() const { return Segments.empty() ? nullptr : &Segments.back(); }
};

/// Replaces the command's text by each segment and executes it once.
TFDScriptOutcome ExecSQLAccess(FDCommand& command, UStringView text);

}  // namespace brevant
