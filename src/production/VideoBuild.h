#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <stop_token>
#include <vector>

#include "BatchSettings.h"
#include "RenderJob.h"
#include "TimingPlan.h"

class SpVoice;

// The steps that make one video of a batch, before its render: the ad copy,
// the narration, the timing plan, the music and the layout. Plain functions
// over the batch's settings; the production engine runs them on its workers.
namespace vm {

class VideoRandom;

// One video of a batch: its keyword and the keyword's position in the list
// (which seeds its random choices).
struct VideoTask {
    int position = 0;
    QString keyword;
};

// One task per keyword in list order, or a single one without a keyword when
// the list is empty.
std::vector<VideoTask> BatchTasks(const QStringList& keywords);

// <output>/<keyword>.avi, or <output>/<outputName>.avi without a keyword.
QString VideoFileFor(const BatchSettings& settings, const QString& keyword);
// <output>/<keyword>.wav, or <output>/temp.wav without a keyword.
QString NarrationFileFor(const BatchSettings& settings, const QString& keyword);

// The reason the video of `keyword` cannot be named, or empty.
QString VideoNameProblem(const BatchSettings& settings, const QString& keyword);

// Which ad copy a video narrates: one of the non-empty pages, at random; -1
// when every page is empty.
int PickAdCopy(const QStringList& adCopies, VideoRandom& random);

// Speaks `text` with `voice` into a WAV at `path`: the text is cut at every
// "[IMAGE]", a tag in another letter case is dropped, and the pieces follow
// each other 400 ms apart. A failed attempt is made once more. On success
// `seconds` is the narration's length.
bool SpeakNarrationFile(SpVoice& voice, const QString& text, const QString& path, double* seconds,
                        QString* error);

// Prepares the music track of a video `videoLength` seconds long into
// `tempFile`: copied, passed whole through ffmpeg, or cut to the video plus 3
// seconds and lowered, as the settings say. `logCommand` gets every ffmpeg
// command line. On success `trackSeconds` is how long the track is laid.
bool PrepareMusic(const BatchSettings& settings, int16_t videoLength, const QString& tempFile,
                  const std::function<void(const QString&)>& logCommand, std::stop_token stop,
                  double* trackSeconds, QString* error);

// The slides a video shows, in order: the list, the images shown again when
// the plan asks for it, then shuffled when the settings say so.
QStringList VideoSlides(const BatchSettings& settings, const TimingPlan& plan, VideoRandom& random);

// The render job: slides with their transitions, the narration and the music.
// False with the reason when there are no slides.
bool LayoutVideo(const BatchSettings& settings, const QStringList& slides, const TimingPlan& plan,
                 const QString& narrationFile, const QString& musicFile, double musicSeconds,
                 VideoRandom& random, RenderJob* job, QString* error);

// "The image ... does not exist." for the first image of the job that is not
// there (checked right before the render: files may go while a batch runs).
QString MissingImage(const RenderJob& job);

}  // namespace vm
