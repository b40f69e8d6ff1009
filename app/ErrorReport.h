#pragma once
// The application's default error report: an error that escapes a window handler is
// shown in a message box with its text, and the program goes on.

#include <QApplication>
#include <QString>
#include <exception>
#include <functional>

namespace brevant {

/// Shows one error text to the user.
using ErrorPresenter = std::function<void(const QString& text)>;

/// A modal message box with the error's text, titled with the application's name.
void ShowErrorMessageBox(const QString& text);

/// Installs the application error handler (core/ErrorHook.h) so that every report goes
/// to `present`; tests pass their own to collect the texts instead of showing a box.
void InstallErrorReport(ErrorPresenter present = &ShowErrorMessageBox);

/// Calls `handler` and reports any error that escapes it; returns false then.
template <typename F>
bool ReportErrors(F&& handler) noexcept;

void ReportException(std::exception_ptr error) noexcept;

template <typename F>
bool ReportErrors(F&& handler) noexcept {
    try {
        handler();
        return true;
    } catch (...) {
        ReportException(std::current_exception());
        return false;
    }
}

/// The application object: an error that escapes an event handler anywhere in the
/// program is reported instead of ending the process.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace brevant
