// The application's default error report and the visual style resource.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QPushButton>

#include "AppTestUtil.h"
#include "app/VisualStyle.h"
#include "core/Errors.h"

namespace brevant {
namespace {

class Throwing : public QObject {
public:
    int handled = 0;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw Exception(std::string_view("Port is not a number"));
        if (e->type() == QEvent::User + 1) throw 42;  // not even an exception class
        if (e->type() == QEvent::User + 2) ++handled;
        return QObject::event(e);
    }
};

TEST(ErrorReport, AnErrorEscapingAHandlerIsReportedAndTheProgramGoesOn) {
    test::CapturedReports reports;
    Throwing target;
    QEvent first(QEvent::User), odd(static_cast<QEvent::Type>(QEvent::User + 1));
    QApplication::sendEvent(&target, &first);
    QApplication::sendEvent(&target, &odd);
    QApplication::postEvent(&target, new QEvent(static_cast<QEvent::Type>(QEvent::User + 2)));
    QApplication::processEvents();
    EXPECT_EQ(target.handled, 1);
    ASSERT_EQ(reports.Texts().size(), 2);
    EXPECT_EQ(reports.Texts()[0], QStringLiteral("Port is not a number"));
    EXPECT_EQ(reports.Texts()[1], QStringLiteral("Unknown error"));
}

TEST(ErrorReport, AButtonHandlerThatThrowsIsReported) {
    test::CapturedReports reports;
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked,
                     [] { ReportErrors([] { throw Exception(u"Falló"); }); });
    button.click();
    ASSERT_EQ(reports.Texts().size(), 1);
    EXPECT_EQ(reports.Texts()[0], QStringLiteral("Falló"));
}

TEST(VisualStyle, AppliesFromTheResourceAndRefusesAMissingOne) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    const QString before = app->styleSheet();
    EXPECT_FALSE(ApplyVisualStyle(*app, QStringLiteral(":/brevant/style/missing.qss")));
    EXPECT_EQ(app->styleSheet(), before);
    EXPECT_TRUE(ApplyVisualStyle(*app));
    EXPECT_TRUE(app->styleSheet().contains(QStringLiteral("QPushButton")));
    app->setStyleSheet(before);
}

}  // namespace
}  // namespace brevant
