#pragma once

#include <QString>
#include <QStringList>

#include "BatchSettings.h"
#include "RenderJob.h"
#include "TimingPlan.h"
#include "VideoSound.h"

// Where everything of a video goes on the timeline: the slides in the order
// shown, their transitions and motion, the narration and the music.
namespace vm {

class VideoRandom;

// The slides a video shows, in order: the list, the images shown again when
// the plan asks for it, then shuffled when the settings say so.
QStringList VideoSlides(const BatchSettings& settings, const TimingPlan& plan, VideoRandom& random);

// How long a video of `slideCount` slides (the repeated ones included) runs,
// in whole seconds: its pictures, every slide and the last one held on, or
// the narration and a second when that is longer.
int VideoSeconds(const BatchSettings& settings, int slideCount, const TimingPlan& plan,
                 bool narrated);

// The render job: slides with their transitions, the narration and the music.
// The pictures and the narration set the video's length: music longer than
// that is cut at the video's end with a short fade, never lengthens it.
// False with the reason when there are no slides.
bool LayoutVideo(const BatchSettings& settings, const QStringList& slides, const TimingPlan& plan,
                 const QString& narrationFile, const MusicTrack& music, VideoRandom& random,
                 RenderJob* job, QString* error);

// "The image ... does not exist." (or "... is a folder, not a picture.") for
// the first image of the job that is not there (checked right before the
// render: files may go while a batch runs).
QString MissingImage(const RenderJob& job);

// The same words for one path; empty when it is a file.
QString ImageFileProblem(const QString& path);

}  // namespace vm
