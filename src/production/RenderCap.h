#pragma once

#include <QString>
#include <cstdint>

// How many videos this machine renders at once with profit. More renders
// than processor cores make none of them faster, and each holds its frames,
// pictures and encoder in memory: past what the memory holds they only swap
// or are killed.
namespace vm {

// About what one render of a 1080p video holds; smaller frames hold less.
constexpr int64_t kRenderBytes1080p = 200LL << 20;

struct RenderCap {
    int jobs = 1;   // renders that may run at once here
    int cores = 1;  // processor cores this process may use (within a container's quota)
    int64_t availableBytes = 0;  // memory available (the machine's or the container's), 0 unknown
    int64_t bytesPerRender = 0;
};

// The cap for renders of a width x height video, from the cores and the
// memory available now.
RenderCap RenderCapHere(int width, int height);

// "2 processor cores" or "1.2 GB of memory free", whichever set the cap.
QString RenderCapReason(const RenderCap& cap);

}  // namespace vm
