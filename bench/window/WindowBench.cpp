// bench_window MODE DATABASE SQL: one measurement in a process of its own, so that
// each mode's peak resident memory is its own. Both modes start the application and
// show the main window (the same baseline); then
//   window   runs SQL through the query pane's handler until the grid has painted
//            its first rows, then scrolls the grid to the last row and paints again;
//   dataset  opens SQL with a TMyQuery of its own, no grid attached.
// Prints "seconds S", "scroll S" (window only), "rss_kb K" (peak) and "rows N".
#include <sys/resource.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/uImagen.h"
#include "app/uMain.h"
#include "app/uMemo.h"
#include "data/TMyQuery.h"

namespace {

using namespace brevant;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QString Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return QString::fromUtf8(v && *v ? v : fallback);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_window window|dataset DATABASE SQL\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string mode = argv[1];
    const QString database = QString::fromUtf8(argv[2]);
    const QString sql = QString::fromUtf8(argv[3]);

    TMain main;
    main.SetViewers(new TfrmMemo(&main), new TfrmImagen(&main));
    main.cbConnection->setCurrentIndex(0);
    main.edServer->setText(Env("BREVANT_TEST_HOST", "127.0.0.1"));
    main.edPort->setText(Env("BREVANT_TEST_PORT", "3306"));
    main.edUser->setText(Env("BREVANT_TEST_USER", "root"));
    main.edPass->setText(Env("BREVANT_TEST_PASSWORD", ""));
    main.edDatabase->setText(database);
    main.show();
    main.sbutConnect->click();
    if (!main.MyConn.Connected()) {
        std::fprintf(stderr, "bench_window: no connection\n");
        return 1;
    }
    QApplication::processEvents();

    long rows = 0;
    if (mode == "window") {
        main.Memo1->setPlainText(sql);
        const double t0 = Now();
        main.SpeedButton1->click();
        main.DBGrid1->viewport()->repaint();
        const double t1 = Now();
        rows = main.DBGrid1->model()->rowCount();
        main.DBGrid1->scrollToBottom();
        main.DBGrid1->viewport()->repaint();
        const double t2 = Now();
        if (main.StatusBar1->PanelText(0) != QStringLiteral("Sentencia ejecutada correctamente.")) {
            std::fprintf(stderr, "bench_window: %s\n", qPrintable(main.StatusBar1->PanelText(0)));
            return 1;
        }
        std::printf("seconds %.4f\nscroll %.4f\n", t1 - t0, t2 - t1);
    } else {
        TMyConnection conn(u"Bench");
        conn.Options().SetUseUnicode(true);
        conn.Options().SetCharset(u"latin1");
        conn.SetLoginPrompt(false);
        conn.SetServer(main.MyConn.Server());
        conn.SetPort(main.MyConn.Port());
        conn.SetUsername(main.MyConn.Username());
        conn.SetPassword(main.MyConn.Password());
        conn.SetDatabase(main.MyConn.Database());
        conn.Open();
        TMyQuery query;
        query.SetConnection(&conn);
        const double t0 = Now();
        query.SQLAdd(sql.toStdU16String());
        query.Open();
        const double t1 = Now();
        rows = query.RecordCount();
        std::printf("seconds %.4f\n", t1 - t0);
    }
    std::printf("rss_kb %ld\nrows %ld\n", PeakRssKb(), rows);
    return 0;
}
