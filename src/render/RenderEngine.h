#pragma once

#include <functional>
#include <stop_token>

#include "RenderJob.h"

namespace vm {

// Frames finished so far (timeline position) and frames in all.
using RenderProgress = std::function<void(int frame, int totalFrames)>;

// Renders a job to job.outputPath, synchronously. Pictures and transitions
// are composed on the calling thread while a second thread encodes and
// muxes. Checks `stop` every frame. On failure the partly written file is
// left for the caller to remove.
RenderResult RenderVideo(RenderJob job, const RenderProgress& progress, std::stop_token stop);

// Renders into `finalPath` through a temporary file beside it
// ("<final>.<process id>.part", so no other run shares its name), which
// replaces an older file of that name only once the render succeeded; on
// failure or stop the temporary file is removed and the older file stays.
RenderResult RenderVideoFile(RenderJob job, const std::string& finalPath,
                             const RenderProgress& progress, std::stop_token stop);

// "<final>.<process id>.part": where a file of this run is written before it
// gets its name.
std::string UnfinishedPath(const std::string& finalPath);

// Removes the temporary files renders of `finalPath` left behind when their
// program was killed. Only for a folder no other render is writing into.
void RemoveUnfinishedFiles(const std::string& finalPath);

}  // namespace vm
