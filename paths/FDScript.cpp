#include "paths/FDScript.h"

#include "script/lexer/TSQLParser.h"

namespace brevant {

std::vector<UString> SplitAccessSegments(UStringView text) {
    std::vector<UString> segments;
    std::size_t start = 0;
    bool hasStatement = false;  // a token other than a comment before the ";"
    auto cut = [&](std::size_t end) {
        if (hasStatement) segments.emplace_back(text.substr(start, end - start));
        start = end;
        hasStatement = false;
    };
    try {
        TSQLParser parser(text);
        parser.OmitBlank = true;
        parser.OmitComment = false;
        for (;;) {
            int code = parser.GetNextToken();
            if (code == lcEnd) break;
            if (code == lxSemicolon) {
                cut(static_cast<std::size_t>(parser.CurrPos()));
            } else if (code != lcComment && code != lcBlank) {
                hasStatement = true;
            }
        }
    } catch (const Exception&) {
        // A character the lexer does not know: the rest goes to the driver as it stands.
        hasStatement = !TrimView(text.substr(start)).empty();
    }
    cut(text.size());
    return segments;
}

bool TFDScriptOutcome::AnyFailed() const {
    for (const TFDSegmentOutcome& s : Segments)
        if (!s.Succeeded) return true;
    return false;
}

TFDScriptOutcome ExecSQLAccess(FDCommand& command, UStringView text) {
    TFDScriptOutcome outcome;
    for (UString& segment : SplitAccessSegments(text)) {
        TFDSegmentOutcome result;
        command.CommandText.Clear();
        command.CommandText.Add(segment);
        try {
            command.Execute();
            result.Succeeded = true;
            result.RowsAffected = command.RowsAffected();
        } catch (const Exception& e) {
            result.Error = e.Message();
        }
        result.SQL = std::move(segment);
        outcome.Segments.push_back(std::move(result));
    }
    return outcome;
}

}  // namespace brevant
