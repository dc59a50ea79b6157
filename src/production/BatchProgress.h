#pragma once

#include <QString>
#include <vector>

#include "ProductionEngine.h"

// How far a batch has come, from the engine's events: frames rendered of the
// frames the batch will render. A video's frames are known once its render
// starts; until then it counts as long as the average of those known. The
// percentage never goes back and reaches 100 only when every video has ended.
namespace vm {

class BatchProgress {
public:
    explicit BatchProgress(int videos);

    void Add(const VideoEvent& event);

    int Percent() const { return percent_; }
    int Ended() const { return ended_; }
    int Made() const { return made_; }
    int Videos() const { return int(videos_.size()); }
    // Videos of a stopped batch whose render never began, and those stopped
    // while they rendered.
    int NotStarted() const { return notStarted_; }
    int StoppedRendering() const { return stoppedRendering_; }

    // Seconds still to go at this pace, -1 while too little is done to say.
    double SecondsLeft(double secondsSoFar) const;

    // "12 s", "3 min 5 s".
    static QString Duration(double seconds);

private:
    struct Video {
        int planned = 0;  // frames, 0 until the render starts
        int rendered = 0;
        bool rendering = false;
        bool ended = false;
    };
    void Update();

    std::vector<Video> videos_;
    int percent_ = 0;
    int ended_ = 0;
    int made_ = 0;
    int notStarted_ = 0;
    int stoppedRendering_ = 0;
};

}  // namespace vm
