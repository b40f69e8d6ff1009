#include "app/PaneCommands.h"

#include <QPlainTextEdit>
#include <QTextDocument>

#include "app/OpenDialog.h"
#include "app/TextFile.h"
#include "core/TStrings.h"

namespace brevant {

UString PaneText(const QPlainTextEdit& pane) {
    // The raw text keeps what plain text would change (no-break spaces); blocks end
    // with U+2029 and soft line breaks are U+2028: both are line ends of the pane.
    const QString raw = pane.document()->toRawText();
    UString text;
    text.reserve(static_cast<std::size_t>(raw.size()) + 64);
    for (QChar c : raw) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == u'\n') text += u"\r\n";
        else text += static_cast<char16_t>(c.unicode());
    }
    return text;
}

std::optional<QString> TLoadPaneCommand::Run() {
    const std::optional<QString> file = dialog_.Execute();
    if (!file) return std::nullopt;
    TStrings lines;
    lines.SetText(ReadTextFile(*file));
    QString text;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        if (i) text += QLatin1Char('\n');
        text += QString::fromStdU16String(lines[i]);
    }
    return text;
}

void ClearPane(QPlainTextEdit& pane) { pane.clear(); }

}  // namespace brevant
