// bench_dump / bench_restore: one backup or one restore as the main window runs it
// (offscreen, connected on kind 0, Unicode on), in a process of its own so that its
// peak resident memory is its own.
//   backup  DATABASE DIR    presses "Backup" with DIR as the current directory;
//   restore DATABASE FILE   presses "Restaura" with the open dialog answering FILE.
// Prints "seconds S" (the button's handler), "cpu S" (user + system time of the
// process during the handler), "rss_kb K" (peak of the process) and "base_kb K"
// (resident before the button, the window's own share).
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "app/OpenDialog.h"
#include "app/uImagen.h"
#include "app/uMain.h"
#include "app/uMemo.h"

namespace {

using namespace brevant;

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4;
}

QString Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return QString::fromUtf8(v && *v ? v : fallback);
}

class TAnswer : public IOpenDialog {
public:
    explicit TAnswer(QString file) : file_(std::move(file)) {}
    std::optional<QString> Execute() override { return file_; }

private:
    QString file_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_dump backup DATABASE DIR | restore DATABASE FILE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string mode = argv[1];
    const QString target = QString::fromUtf8(argv[3]);

    TMain main;
    main.SetViewers(new TfrmMemo(&main), new TfrmImagen(&main));
    main.cbConnection->setCurrentIndex(0);
    main.edServer->setText(Env("BREVANT_TEST_HOST", "127.0.0.1"));
    main.edPort->setText(Env("BREVANT_TEST_PORT", "3306"));
    main.edUser->setText(Env("BREVANT_TEST_USER", "root"));
    main.edPass->setText(Env("BREVANT_TEST_PASSWORD", ""));
    main.edDatabase->setText(QString::fromUtf8(argv[2]));
    main.show();
    main.sbutConnect->click();
    if (!main.MyConn.Connected()) {
        std::fprintf(stderr, "bench_dump: no connection\n");
        return 1;
    }
    QApplication::processEvents();

    QPushButton* button = nullptr;
    if (mode == "backup") {
        if (!QDir::setCurrent(target)) {
            std::fprintf(stderr, "bench_dump: no folder %s\n", argv[3]);
            return 1;
        }
        button = main.Button1;
    } else {
        main.SetOpenDialog(std::make_unique<TAnswer>(target));
        button = main.Button2;
    }
    const long base = ResidentKb();
    const double c0 = CpuSeconds();
    const double t0 = Now();
    button->click();
    const double t1 = Now();
    const double c1 = CpuSeconds();
    if (main.StatusBar1->PanelText(0) != QStringLiteral("Comando ejecutado correctamente.")) {
        std::fprintf(stderr, "bench_dump: %s\n", qPrintable(main.StatusBar1->PanelText(0)));
        return 1;
    }
    std::printf("seconds %.4f\ncpu %.4f\nrss_kb %ld\nbase_kb %ld\n", t1 - t0, c1 - c0, PeakRssKb(), base);
    return 0;
}
