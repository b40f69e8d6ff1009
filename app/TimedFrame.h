#pragma once
// The frame every timed command runs in (query and command runs, backups, restore):
// close the viewers (query and command runs only), read T0, show the hourglass, do
// the guarded work, write the elapsed whole seconds into panel 2, restore the cursor.

#include <QString>
#include <cstdint>
#include <functional>

#include "core/TickCount.h"

namespace brevant {

class TStatusPanels;

class TTimedFrame {
public:
    using TickSource = std::function<std::uint32_t()>;
    enum class Viewers { Keep, Close };

    /// `closeViewers` closes the memo viewer if it is shown, then the image viewer.
    TTimedFrame(TStatusPanels& status, std::function<void()> closeViewers, TickSource ticks = &GetTickCount);

    void SetTickSource(TickSource ticks) { ticks_ = std::move(ticks); }

    /// Runs `work` inside the frame. The time is written whether the work succeeded or
    /// failed by its own guards; an error that escapes `work` skips the time, puts the
    /// default cursor back and goes on to the caller.
    void Run(Viewers viewers, const std::function<void()>& work);

    /// One guarded call into the data-access layer: a failure writes `failureText` into
    /// panel 0 and empties panel 1, and the call returns false. Success writes nothing;
    /// the command writes its own success text and count.
    bool Guard(const std::function<void()>& call, const QString& failureText);

private:
    void ShowHourglass();
    void ShowDefaultCursor();

    TStatusPanels& status_;
    std::function<void()> closeViewers_;
    TickSource ticks_;
    bool hourglass_ = false;  // this frame's wait cursor is shown
};

}  // namespace brevant
