// The frame of timed commands with an injected tick counter.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <stdexcept>
#include <vector>

#include "app/StatusPanels.h"
#include "app/StatusTexts.h"
#include "app/TimedFrame.h"

namespace brevant {
namespace {

struct Clock {
    std::vector<std::uint32_t> readings;
    std::size_t next = 0;
    std::uint32_t operator()() { return readings.at(next++); }
};

class TimedFrameTest : public ::testing::Test {
protected:
    QWidget window;
    TStatusPanels* status = new TStatusPanels(&window);
    int viewerCloses = 0;
    Clock clock;
    TTimedFrame frame{*status, [this] { ++viewerCloses; }, [this] { return clock(); }};
};

TEST_F(TimedFrameTest, ElapsedSecondsTable) {
    struct Case {
        const char* name;
        std::uint32_t t0, t1;
        const char16_t* text;
    };
    const Case cases[] = {
        {"under a second", 5000, 5999, u"Tiempo invertido 0 segundos."},
        {"1999 ms", 1000, 2999, u"Tiempo invertido 1 segundos."},
        {"long run", 0, 3723000, u"Tiempo invertido 3723 segundos."},
        {"across the wrap", 0xFFFFFC18u, 1500, u"Tiempo invertido 2 segundos."},
        {"wrap by one tick", 0xFFFFFFFFu, 0, u"Tiempo invertido 0 segundos."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clock = Clock{{c.t0, c.t1}};
        frame.Run(TTimedFrame::Viewers::Keep, [] {});
        EXPECT_EQ(status->PanelText(2), QString::fromUtf16(c.text));
    }
    EXPECT_EQ(viewerCloses, 0);
}

TEST_F(TimedFrameTest, HourglassDuringTheWorkOnly) {
    clock = Clock{{0, 10}};
    Qt::CursorShape during = Qt::ArrowCursor;
    int readingsBefore = -1;
    frame.Run(TTimedFrame::Viewers::Close, [&] {
        during = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
        readingsBefore = static_cast<int>(clock.next);
    });
    EXPECT_EQ(viewerCloses, 1);
    EXPECT_EQ(readingsBefore, 1);  // T0 is read before the work, T1 after it
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TimedFrameTest, ANestedRunPutsTheDefaultCursorBackForTheRestOfTheOuterRun) {
    clock = Clock{{0, 0, 0, 0}};
    const QCursor* during = nullptr;
    const QCursor* after = reinterpret_cast<const QCursor*>(1);
    frame.Run(TTimedFrame::Viewers::Keep, [&] {
        frame.Run(TTimedFrame::Viewers::Keep, [&] { during = QApplication::overrideCursor(); });
        after = QApplication::overrideCursor();
    });
    ASSERT_NE(during, nullptr);
    EXPECT_EQ(during->shape(), Qt::WaitCursor);
    EXPECT_EQ(after, nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TimedFrameTest, AnErrorThatEscapesSkipsTheTimeAndRestoresTheCursor) {
    clock = Clock{{0, 5000}};
    status->SetPanelText(2, QStringLiteral("before"));
    EXPECT_THROW(frame.Run(TTimedFrame::Viewers::Keep, [] { throw std::runtime_error("escapes"); }),
                 std::runtime_error);
    EXPECT_EQ(status->PanelText(2), QStringLiteral("before"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TimedFrameTest, GuardedCalls) {
    status->SetPanelText(0, QStringLiteral("old"));
    status->SetPanelText(1, QStringLiteral("Registros: 1/3."));
    EXPECT_TRUE(frame.Guard([] {}, QString::fromUtf16(StatusText::QueryFailed)));
    EXPECT_EQ(status->PanelText(0), QStringLiteral("old"));
    EXPECT_EQ(status->PanelText(1), QStringLiteral("Registros: 1/3."));

    EXPECT_FALSE(frame.Guard([] { throw std::runtime_error("server gone"); },
                             QString::fromUtf16(StatusText::QueryFailed)));
    EXPECT_EQ(status->PanelText(0), QStringLiteral("Error en sentencia."));
    EXPECT_EQ(status->PanelText(1), QString());
}

}  // namespace
}  // namespace brevant
