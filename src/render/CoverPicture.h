#pragma once

#include <string>

#include "RenderJob.h"

namespace vm {

// A cover picture for a video site: `picture` filling a width x height frame
// (scaled to cover it, the middle kept) with `headline` large across the
// middle on a dark band, legible at small sizes; written as a JPEG to
// `outputPath` through a temporary file, so an older cover stays until the
// new one is whole. With a `logo` path the logo stands in its corner, as on
// the video's frames.
RenderResult MakeCoverPicture(const std::string& picture, int width, int height,
                              const std::string& headline, const std::string& outputPath,
                              const RenderJob::Logo& logo = {});

}  // namespace vm
