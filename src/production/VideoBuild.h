#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <stop_token>
#include <vector>

#include "BatchSettings.h"
#include "Captions.h"
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

// <output>/<keyword>.avi (or .mp4), or <output>/<outputName>.avi without a
// keyword.
QString VideoFileFor(const BatchSettings& settings, const QString& keyword);

// The files that go beside a video for the site it is uploaded to: its
// captions (.srt), its cover picture (.jpg) and its title and description
// (.txt), named like the video.
QString CompanionFile(const QString& videoPath, const char* extension);
inline const char* const kCompanionExtensions[] = {".srt", ".jpg", ".txt"};

// The title, a blank line and the description with the keyword put in;
// empty when the project has neither.
QString PublishingText(const BatchSettings& settings, const QString& keyword);
// The reason the video of `keyword` cannot be named, or empty.
QString VideoNameProblem(const BatchSettings& settings, const QString& keyword);

// True when the text has something to speak: a letter or a digit once its
// "[IMAGE]" tags are left out.
bool HasWords(const QString& text);

// Which ad copy the video of `keyword` narrates: one of the pages that have
// words to speak with the keyword put in, at random; -1 when none has.
int PickAdCopy(const QStringList& adCopies, const QString& keyword, VideoRandom& random);

// Why no video could be narrated: "No ad copy has words to speak: ad copy 2
// holds only spaces, [IMAGE] tags or punctuation." Empty when a page has words.
QString AdCopyWordsProblem(const QStringList& adCopies);

// Speaks `text` with `voice` into a WAV at `path`: the text is cut at every
// "[IMAGE]", a tag in another letter case is dropped, and the pieces follow
// each other 400 ms apart. A failed attempt is made once more. On success
// `seconds` is the narration's length and `words` (when given) every word
// spoken, as written, with when it is heard.
bool SpeakNarrationFile(SpVoice& voice, const QString& text, const QString& path, double* seconds,
                        QString* error, std::vector<NarrationWord>* words = nullptr);

// The music track of one video, prepared.
struct MusicTrack {
    QString file;
    double laid = 0;         // how long it is laid on the timeline
    double fileSeconds = 0;  // how long the prepared file plays
};

// Prepares the music track of a video `videoLength` seconds long into
// `tempFile`: copied, passed whole through ffmpeg, or cut to the video plus 3
// seconds and lowered, as the settings say. `logCommand` gets every ffmpeg
// command line.
bool PrepareMusic(const BatchSettings& settings, int16_t videoLength, const QString& tempFile,
                  const std::function<void(const QString&)>& logCommand, std::stop_token stop,
                  MusicTrack* track, QString* error);

// The slides a video shows, in order: the list, the images shown again when
// the plan asks for it, then shuffled when the settings say so.
QStringList VideoSlides(const BatchSettings& settings, const TimingPlan& plan, VideoRandom& random);

// The render job: slides with their transitions, the narration and the music.
// The pictures and the narration set the video's length: music longer than
// that is cut at the video's end with a short fade, never lengthens it.
// False with the reason when there are no slides.
bool LayoutVideo(const BatchSettings& settings, const QStringList& slides, const TimingPlan& plan,
                 const QString& narrationFile, const MusicTrack& music, VideoRandom& random,
                 RenderJob* job, QString* error);

// How long music cut at the video's end takes to fade out.
constexpr double kMusicFadeSeconds = 0.5;

// "The image ... does not exist." (or "... is a folder, not a picture.") for
// the first image of the job that is not there (checked right before the
// render: files may go while a batch runs).
QString MissingImage(const RenderJob& job);

// The same words for one path; empty when it is a file.
QString ImageFileProblem(const QString& path);

}  // namespace vm
