#pragma once
// What a running backup or restore shows while it works: the table or statement at
// work, how far the run is, and a Cancel button. The work runs on the window's own
// thread; the dialog keeps the window alive by letting the event loop run from the
// progress callbacks, at a bounded rate.

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include "core/Text.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace brevant {

/// The commands' side of a progress display.
class IProgress {
public:
    virtual ~IProgress() = default;
    /// A run begins: nothing cancelled yet.
    virtual void Begin(const QString& title) = 0;
    /// `what` is at work and the run is `percent` done; true once the user asked to stop.
    virtual bool Step(UStringView what, int percent) = 0;
    /// The run ended, however it ended.
    virtual void End() = 0;
};

/// A small dialog shown without an event loop of its own. It blocks input to the
/// other windows while it is shown (a second command cannot start inside the first),
/// but the window repaints and Cancel can be pressed. It appears only once a run has
/// lasted `ShowDelayMs`; before that no events are processed at all, so a short run
/// costs nothing.
class TProgressDialog : public QDialog, public IProgress {
    Q_OBJECT
public:
    explicit TProgressDialog(QWidget* parent = nullptr);

    void Begin(const QString& title) override;
    bool Step(UStringView what, int percent) override;
    void End() override;

    bool CancelRequested() const { return cancelled_; }

    /// How long a run goes before the dialog appears, and the least time between two
    /// rounds of the event loop (tests set both to 0).
    int ShowDelayMs = 400;
    int UpdateIntervalMs = 50;

    QLabel* Label = nullptr;
    QProgressBar* Bar = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    /// Escape and the window's close button cancel too.
    void reject() override;

private:
    QElapsedTimer clock_;
    qint64 lastUpdate_ = 0;
    bool running_ = false;
    bool updated_ = false;
    bool cancelled_ = false;
};

}  // namespace brevant
