#pragma once

#include <string>

namespace vm {

// Playing time of a media file in seconds as libavformat reports it; -1 and
// an error text when the file cannot be opened or has no duration.
double MediaLengthSeconds(const std::string& path, std::string* error);

}  // namespace vm
