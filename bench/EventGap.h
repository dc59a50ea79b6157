#pragma once
// How long a program's event loop goes without handling an event: a timer
// that should tick every 10 ms notes the longest wait between its ticks.
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

class EventGap {
public:
    EventGap() {
        QObject::connect(&tick_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, since_.restart()); });
        tick_.start(10);
        since_.start();
    }
    // Forget what was seen so far and measure from now.
    void Restart() {
        longest_ = 0;
        since_.restart();
    }
    qint64 LongestMs() const { return longest_; }

private:
    QElapsedTimer since_;
    qint64 longest_ = 0;
    QTimer tick_;
};
