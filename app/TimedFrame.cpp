#include "app/TimedFrame.h"

#include <QApplication>
#include <QCursor>

#include "app/StatusPanels.h"
#include "app/StatusTexts.h"

namespace brevant {

TTimedFrame::TTimedFrame(TStatusPanels& status, std::function<void()> closeViewers, TickSource ticks)
    : status_(status), closeViewers_(std::move(closeViewers)), ticks_(std::move(ticks)) {}

void TTimedFrame::Run(Viewers viewers, const std::function<void()>& work) {
    if (viewers == Viewers::Close && closeViewers_) closeViewers_();
    const std::uint32_t t0 = ticks_();
    ShowHourglass();
    try {
        work();
    } catch (...) {
        // A stuck hourglass would outlive the error report; the time stays unwritten.
        ShowDefaultCursor();
        throw;
    }
    const std::uint32_t t1 = ticks_();
    status_.SetPanelText(2, StatusText::Elapsed(ElapsedSeconds(t0, t1)));
    ShowDefaultCursor();
}

// The cursor is one setting, not a stack: a run nested in another (the listing of
// "Backup Tablas") puts the default cursor back when it ends, and the rest of the
// outer run goes on with it.
void TTimedFrame::ShowHourglass() {
    if (hourglass_) {
        QApplication::changeOverrideCursor(Qt::WaitCursor);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    hourglass_ = true;
}

void TTimedFrame::ShowDefaultCursor() {
    if (!hourglass_) return;
    QApplication::restoreOverrideCursor();
    hourglass_ = false;
}

bool TTimedFrame::Guard(const std::function<void()>& call, const QString& failureText) {
    try {
        call();
        return true;
    } catch (...) {
        status_.SetPanelText(0, failureText);
        status_.SetPanelText(1, QString());
        return false;
    }
}

}  // namespace brevant
