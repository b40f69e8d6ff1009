#include "app/ProgressDialog.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace brevant {
namespace {

// The label shows one line of the statement or name, cut to this many characters.
constexpr std::size_t kShownChars = 80;

QString OneLine(UStringView what) {
    UString line(what.substr(0, std::min(what.size(), kShownChars + 1)));
    for (char16_t& c : line)
        if (c == u'\r' || c == u'\n' || c == u'\t') c = u' ';
    QString text = QString::fromUtf16(line.data(), static_cast<qsizetype>(std::min(line.size(), kShownChars))).trimmed();
    if (line.size() > kShownChars) text += QStringLiteral(u"…");
    return text;
}

}  // namespace

TProgressDialog::TProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ProgressDialog"));
    setWindowModality(Qt::ApplicationModal);
    setMinimumWidth(420);
    Label = new QLabel(this);
    Label->setObjectName(QStringLiteral("ProgressLabel"));
    Bar = new QProgressBar(this);
    Bar->setRange(0, 100);
    CancelButton = new QPushButton(QStringLiteral(u"Cancelar"), this);
    CancelButton->setObjectName(QStringLiteral("ProgressCancel"));
    connect(CancelButton, &QPushButton::clicked, this, &TProgressDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label);
    layout->addWidget(Bar);
    layout->addLayout(buttons);
}

void TProgressDialog::Begin(const QString& title) {
    setWindowTitle(title);
    Label->clear();
    Bar->setValue(0);
    CancelButton->setEnabled(true);
    cancelled_ = false;
    updated_ = false;
    running_ = true;
    clock_.start();
}

bool TProgressDialog::Step(UStringView what, int percent) {
    if (!running_) return cancelled_;
    const qint64 now = clock_.elapsed();
    if (!isVisible()) {
        if (now < ShowDelayMs) return cancelled_;
        show();
    } else if (updated_ && now - lastUpdate_ < UpdateIntervalMs) {
        return cancelled_;
    }
    updated_ = true;
    lastUpdate_ = now;
    if (!cancelled_) Label->setText(OneLine(what));
    Bar->setValue(std::clamp(percent, 0, 100));
    QCoreApplication::processEvents();
    return cancelled_;
}

void TProgressDialog::End() {
    running_ = false;
    hide();
}

void TProgressDialog::reject() {
    if (!running_) {
        hide();
        return;
    }
    // The run stops at its next check; the dialog stays until it has.
    cancelled_ = true;
    CancelButton->setEnabled(false);
    Label->setText(QStringLiteral(u"Cancelando…"));
}

}  // namespace brevant
