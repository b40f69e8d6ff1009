#pragma once
// Small helpers shared by the workbench tests.

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "app/ErrorReport.h"
#include "app/OpenDialog.h"
#include "app/uImagen.h"
#include "app/uMain.h"
#include "app/uMemo.h"
#include "core/ErrorHook.h"

namespace brevant::test {

inline std::string ReadBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

/// A fresh temporary folder made the current directory for the test's lifetime.
class WorkingDir {
public:
    WorkingDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~WorkingDir() { QDir::setCurrent(previous_); }
    QString Path() const { return dir_.path(); }
    std::string File(const char* name) const { return (dir_.path() + QLatin1Char('/') + QLatin1String(name)).toStdString(); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

/// Collects the application's error reports instead of showing message boxes.
class CapturedReports {
public:
    CapturedReports() {
        InstallErrorReport([this](const QString& text) { texts_ << text; });
    }
    ~CapturedReports() { SetApplicationErrorHandler({}); }
    const QStringList& Texts() const { return texts_; }

private:
    QStringList texts_;
};

/// A main window created in the current directory (the settings file is read
/// there) with its viewers.
inline std::unique_ptr<TMain> CreateMain() {
    auto main = std::make_unique<TMain>();
    main->SetViewers(new TfrmMemo(main.get()), new TfrmImagen(main.get()));
    return main;
}

/// An open-file dialog that answers with a prepared file name, or cancels.
class AnsweringDialog : public IOpenDialog {
public:
    std::optional<QString> answer;
    int shown = 0;
    std::optional<QString> Execute() override {
        ++shown;
        return answer;
    }
};

/// Gives `main` an answering dialog and returns it (the window owns it).
inline AnsweringDialog& AnswerDialogs(TMain& main) {
    auto dialog = std::make_unique<AnsweringDialog>();
    AnsweringDialog& ref = *dialog;
    main.SetOpenDialog(std::move(dialog));
    return ref;
}

}  // namespace brevant::test
