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
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        work();
    } catch (...) {
        // A stuck hourglass would outlive the error report; the time stays unwritten.
        QApplication::restoreOverrideCursor();
        throw;
    }
    const std::uint32_t t1 = ticks_();
    status_.SetPanelText(2, StatusText::Elapsed(ElapsedSeconds(t0, t1)));
    QApplication::restoreOverrideCursor();
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
