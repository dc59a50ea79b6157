#pragma once

#include <QString>

// Where the background-music tool is looked for: "ffmpeg" in the program's
// folder, with the doubled separator of a folder at the root collapsed
// ("/" gives "/ffmpeg", never "//ffmpeg").
QString FfmpegBesideProgram(const QString& appFolder);

// The tool beside the program when it is there, else the one found on PATH.
// When neither exists the path beside the program is returned, so a later
// error names the place the program looked first.
QString FindFfmpeg(const QString& appFolder);
