#pragma once
// Small helpers shared by the workbench tests.

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "app/ErrorReport.h"
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

}  // namespace brevant::test
