#pragma once
// The panes' load and clear buttons, and the text a pane hands to the data layer.

#include <QString>
#include <optional>

#include "core/Text.h"

class QPlainTextEdit;

namespace brevant {

class IOpenDialog;

/// The pane's whole text with its lines separated by CR LF, exactly as typed.
UString PaneText(const QPlainTextEdit& pane);

/// Load a file into a pane: asks `dialog` for a file and returns the pane's new
/// text, its lines as the file's (CR LF, lone CR or LF end a line); nullopt when the
/// user cancels. A file that cannot be read escapes as an Exception.
class TLoadPaneCommand {
public:
    explicit TLoadPaneCommand(IOpenDialog& dialog) : dialog_(dialog) {}
    std::optional<QString> Run();

private:
    IOpenDialog& dialog_;
};

/// Clear a pane: empties it, nothing else.
void ClearPane(QPlainTextEdit& pane);

}  // namespace brevant
