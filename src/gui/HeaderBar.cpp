#include "HeaderBar.h"

#include <QFrame>
#include <QLabel>
#include <QTimer>

#include "Controls.h"
#include "WidgetMaker.h"

namespace {
constexpr int kHeight = 49;
}

HeaderBar::HeaderBar(int width, QWidget* parent) : QWidget(parent) {
    setObjectName("Picture1");
    setGeometry(0, 0, width, kHeight);
    setAutoFillBackground(true);
    QPalette bar = palette();
    bar.setColor(QPalette::Window, QColor(64, 64, 64));
    setPalette(bar);

    title_ = ui::MakeLabel(this, "Label6", QString(), QRect(14, 6, 300, 22));
    QFont title("Verdana");
    title.setPointSize(12);
    title.setBold(true);
    title_->setFont(title);
    ui::SetTextColor(title_, Qt::white);

    subtitle_ = ui::MakeLabel(this, "Label9", QString(), QRect(14, 28, 400, 16));
    QFont subtitle("Verdana");
    subtitle.setPointSize(9);
    subtitle_->setFont(subtitle);
    ui::SetTextColor(subtitle_, QColor(200, 200, 200));

    status_ = ui::MakeLabel(this, "lblStatus", QString(), QRect(330, 16, 555, 18));
    status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    status_->setAttribute(Qt::WA_TranslucentBackground);
    ui::SetTextColor(status_, Qt::white);

    runningDot_ = ui::Make<QFrame>(this, "shRunning");
    runningDot_->setGeometry(width - 16 - 14, 16, 16, 16);
    runningDot_->setAutoFillBackground(true);
    QPalette dot = runningDot_->palette();
    dot.setColor(QPalette::Window, QColor(60, 220, 60));
    runningDot_->setPalette(dot);
    runningDot_->hide();

    // The status line grows with the window; the dot stays at its right end.
    auto* stretch = new Stretcher(this, QSize(width, kHeight));
    stretch->Add(status_, {0, 0, 1, 0});
    stretch->Add(runningDot_, {1, 0, 0, 0});

    blink_ = ui::Make<QTimer>(this, "tmrShRunning");
    blink_->setInterval(200);
    connect(blink_, &QTimer::timeout, this,
            [this] { runningDot_->setVisible(!runningDot_->isVisible()); });
    countdown_ = ui::Make<QTimer>(this, "tmrCountdown");
    countdown_->setInterval(1000);
    connect(countdown_, &QTimer::timeout, this, &HeaderBar::CountdownTick);
}

void HeaderBar::SetTitle(const QString& title, const QString& subtitle) {
    title_->setText(title);
    subtitle_->setText(subtitle);
}

void HeaderBar::SetStatus(const QString& text) {
    status_->setText(text);
}

QString HeaderBar::Status() const {
    return status_->text();
}

void HeaderBar::ShowRunning(bool running) {
    runningDot_->setVisible(running);
    if (running)
        blink_->start();
    else
        blink_->stop();
}

void HeaderBar::StartCountdown(int seconds) {
    secondsLeft_ = seconds;
    countdown_->start();
}

void HeaderBar::StopCountdown() {
    countdown_->stop();
}

void HeaderBar::CountdownTick() {
    if (secondsLeft_ > 0) {
        --secondsLeft_;
        return;
    }
    status_->setText("Finishing Video...");
}
