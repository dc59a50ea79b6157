#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QTimer;

// The dark bar across the top of the window: the program's name, the status
// line, and a dot that blinks while a batch runs. While a video renders the
// status turns to "Finishing Video..." once its expected time has passed.
class HeaderBar : public QWidget {
    Q_OBJECT
public:
    HeaderBar(int width, QWidget* parent);

    void SetTitle(const QString& title, const QString& subtitle);
    void SetStatus(const QString& text);
    QString Status() const;
    // The blinking dot.
    void ShowRunning(bool running);
    // Counts a render's expected seconds down (one a second).
    void StartCountdown(int seconds);
    void StopCountdown();

private:
    void CountdownTick();

    QLabel* title_ = nullptr;
    QLabel* subtitle_ = nullptr;
    QLabel* status_ = nullptr;
    QFrame* runningDot_ = nullptr;
    QTimer* blink_ = nullptr;
    QTimer* countdown_ = nullptr;
    int secondsLeft_ = 0;
};
