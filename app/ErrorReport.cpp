#include "app/ErrorReport.h"

#include <QMessageBox>

#include "core/ErrorHook.h"

namespace brevant {

namespace {
// An error of a type the program does not know still gets a report.
class EUnknownError : public std::exception {
public:
    const char* what() const noexcept override { return "Unknown error"; }
};
}  // namespace

void ShowErrorMessageBox(const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), text);
}

void InstallErrorReport(ErrorPresenter present) {
    SetApplicationErrorHandler(
        [present = std::move(present)](const std::exception& error) { present(QString::fromUtf8(error.what())); });
}

void ReportException(std::exception_ptr error) noexcept {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        HandleApplicationException(e);
    } catch (...) {
        HandleApplicationException(EUnknownError());
    }
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportException(std::current_exception());
        return false;
    }
}

}  // namespace brevant
