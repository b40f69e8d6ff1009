#pragma once
// A yes-or-no question to the user, behind an interface that tests replace.

#include <QString>

class QWidget;

namespace brevant {

class IConfirmation {
public:
    virtual ~IConfirmation() = default;
    /// True when the user agrees.
    virtual bool Ask(const QString& question) = 0;
};

/// A modal question box with "OK" and "Cancel"; "Cancel" is the default, so that
/// an Enter pressed by mistake changes nothing.
class TMessageBoxConfirmation : public IConfirmation {
public:
    explicit TMessageBoxConfirmation(QWidget* owner) : owner_(owner) {}
    bool Ask(const QString& question) override;

private:
    QWidget* owner_;
};

}  // namespace brevant
