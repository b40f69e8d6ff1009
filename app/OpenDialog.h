#pragma once
// The open-file dialog, behind an interface that tests replace.

#include <QString>
#include <optional>

class QWidget;

namespace brevant {

class IOpenDialog {
public:
    virtual ~IOpenDialog() = default;
    /// Asks for a file; nullopt when the user cancels.
    virtual std::optional<QString> Execute() = 0;
};

/// The platform's dialog: no file-type filter, default extension "sql". It does
/// not keep the process's current directory for the caller.
class TOpenDialog : public IOpenDialog {
public:
    explicit TOpenDialog(QWidget* owner) : owner_(owner) {}
    std::optional<QString> Execute() override;

private:
    QWidget* owner_;
};

}  // namespace brevant
