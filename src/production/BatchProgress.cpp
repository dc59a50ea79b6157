#include "BatchProgress.h"

#include <algorithm>
#include <cmath>

namespace vm {

BatchProgress::BatchProgress(int videos) : videos_(std::max(0, videos)) {}

void BatchProgress::Add(const VideoEvent& e) {
    if (e.index < 0 || e.index >= int(videos_.size())) return;
    Video& v = videos_[e.index];
    if (v.ended) return;
    switch (e.kind) {
        case VideoEvent::Kind::Rendering:
            v.rendering = true;
            v.planned = e.totalFrames;
            break;
        case VideoEvent::Kind::Progress:
            v.rendered = std::max(v.rendered, e.frame);
            break;
        default:
            break;
    }
    if (e.EndsVideo()) {
        v.ended = true;
        ++ended_;
        if (e.kind == VideoEvent::Kind::Made) ++made_;
        if (e.kind == VideoEvent::Kind::Stopped) ++(v.rendering ? stoppedRendering_ : notStarted_);
    }
    Update();
}

void BatchProgress::Update() {
    double known = 0;
    int counted = 0;
    for (const Video& v : videos_) {
        if (v.planned > 0) {
            known += v.planned;
            ++counted;
        }
    }
    const double average = counted > 0 ? known / counted : 1.0;
    double total = 0;
    double done = 0;
    for (const Video& v : videos_) {
        const double frames = v.planned > 0 ? v.planned : average;
        total += frames;
        done += v.ended ? frames : std::min<double>(v.rendered, frames);
    }
    int percent = total > 0 ? int(std::floor(100.0 * done / total)) : 100;
    if (ended_ < int(videos_.size())) percent = std::min(percent, 99);
    if (ended_ == int(videos_.size())) percent = 100;
    percent_ = std::max(percent_, percent);
}

double BatchProgress::SecondsLeft(double secondsSoFar) const {
    if (percent_ < 2 || percent_ >= 100) return -1;
    return secondsSoFar * (100 - percent_) / percent_;
}

QString BatchProgress::Duration(double seconds) {
    const long s = std::lround(std::max(0.0, seconds));
    return s >= 60 ? QString("%1 min %2 s").arg(s / 60).arg(s % 60) : QString("%1 s").arg(s);
}

}  // namespace vm
