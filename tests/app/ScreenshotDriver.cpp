// app_screenshot: shows the main window connected to a server, with a query run, for
// tools/screenshot.sh. The window runs through its real handlers: the connection row
// is filled in from BREVANT_TEST_HOST/PORT/USER/PASSWORD and the database named as
// the first argument, connect is pressed, the query pane (the second argument) is run.
// A fourth argument is typed into the second column of the second row, as an edit in
// progress (the cell editor open, the record in edit state).
// Prints "window <id>" once the window has painted, then runs until it is closed.
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/ErrorReport.h"
#include "app/VisualStyle.h"
#include "app/uImagen.h"
#include "app/uMain.h"
#include "app/uMemo.h"

int main(int argc, char** argv) {
    using namespace brevant;
    TApplication app(argc, argv);
    InstallErrorReport([](const QString& text) { std::fprintf(stderr, "error: %s\n", qPrintable(text)); });
    ApplyVisualStyle(app);
    QApplication::setApplicationName(QStringLiteral("Brevant"));
    auto env = [](const char* name, const char* fallback) {
        const char* v = std::getenv(name);
        return QString::fromUtf8(v && *v ? v : fallback);
    };

    TMain main;
    main.SetViewers(new TfrmMemo(&main), new TfrmImagen(&main));
    main.cbConnection->setCurrentIndex(0);
    main.edServer->setText(env("BREVANT_TEST_HOST", "127.0.0.1"));
    main.edPort->setText(env("BREVANT_TEST_PORT", "3306"));
    main.edUser->setText(env("BREVANT_TEST_USER", "root"));
    main.edPass->setText(env("BREVANT_TEST_PASSWORD", ""));
    main.edDatabase->setText(QString::fromUtf8(argc > 1 ? argv[1] : "sakila"));
    main.show();
    main.sbutConnect->click();
    main.Memo1->setPlainText(QString::fromUtf8(argc > 2 ? argv[2] : "SELECT * FROM film"));
    main.Memo2->setPlainText(QString::fromUtf8(argc > 3 ? argv[3] : ""));
    main.SpeedButton1->click();
    if (argc > 4 && main.DBGrid1->model()->rowCount() > 1) {
        main.DBGrid1->setFocus();
        main.DBGrid1->setCurrentIndex(main.DBGrid1->model()->index(1, 1));
        main.DBGrid1->edit(main.DBGrid1->currentIndex());
        if (QLineEdit* editor = main.DBGrid1->CellEditor()) {
            editor->selectAll();
            QTest::keyClicks(editor, QString::fromUtf8(argv[4]));
        }
    }
    QTimer::singleShot(500, &main, [&main] {
        main.repaint();
        std::printf("window %llu\n", static_cast<unsigned long long>(main.winId()));
        std::fflush(stdout);
    });
    return app.exec();
}
