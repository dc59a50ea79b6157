#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// A project file: every setting of a batch as JSON, so a batch can be saved,
// opened again, and run on a machine without a display. Each field is
// optional; a field the file leaves out keeps the window's start-up value.
namespace vm {

// The resolutions in the order of the window's list; the index is the
// resolution item (and the video-editing instance) of the window.
inline const QStringList kProjectResolutions = {"1080p", "720p", "480p", "360p", "240p"};
// Their frame sizes, width and height.
inline constexpr int kResolutionSizes[5][2] = {
    {1920, 1080}, {1280, 720}, {854, 480}, {640, 360}, {426, 240}};

// The choices of the output settings as a project file writes them, in the
// order of the window's lists.
inline const QStringList kProjectFormats = {"avi", "mp4"};
inline const QStringList kProjectShapes = {"landscape", "portrait", "square"};
inline const QStringList kProjectFits = {"fit", "blur", "fill"};
inline const QStringList kProjectCaptions = {"none", "srt", "burned", "both"};

// The frame size of a resolution (index into kProjectResolutions) in a shape
// (index into kProjectShapes): portrait turns the landscape size on its
// side, square is as high as the landscape size.
struct FrameSize {
    int width = 0;
    int height = 0;
};
FrameSize ProjectFrameSize(int resolution, int shape);

// The size of a cover picture in a shape: 1280x720 turned like the video.
FrameSize CoverSize(int shape);

// The H.264 quality (constant rate factor) of MP4 videos: lower is better
// and bigger.
constexpr int kDefaultMp4Crf = 23;
constexpr int kMaxMp4Crf = 51;

struct ProjectFile {
    // The ad-copy pages in order; pages past the end of the list are empty.
    std::optional<QStringList> adCopies;
    // The voice, by the description the voice list shows.
    std::optional<QString> voice;
    // Image paths as written in the file (relative ones are relative to the
    // project file's folder).
    std::optional<QStringList> slides;
    std::optional<int> secondsPerSlide;
    // 0: show the last image until the narration ends; 1: show the images
    // again. The index of that choice in the window.
    std::optional<int> whenNarrationIsLonger;
    std::optional<bool> transitions;
    std::optional<bool> randomize;
    // Index into kProjectResolutions.
    std::optional<int> resolution;
    // The compressor's name as the window lists it.
    std::optional<QString> compressor;
    std::optional<bool> compression;
    std::optional<QStringList> keywords;
    // Base name of the video when the keyword list is empty.
    std::optional<QString> outputName;
    // Background music: on or off, the MP3 (as written), and whether its
    // volume is reduced (and the track cut to the video).
    std::optional<bool> music;
    std::optional<QString> musicFile;
    std::optional<bool> musicReduceVolume;

    // Indexes into kProjectFormats, kProjectShapes, kProjectFits and
    // kProjectCaptions; the first of each makes the videos of older projects.
    std::optional<int> format;
    std::optional<int> mp4Crf;
    std::optional<int> shape;
    std::optional<int> fit;
    std::optional<int> captions;
    // Burned-in captions colour the word being spoken.
    std::optional<bool> highlightWords;
    // A cover picture per video: on or off, and which slide of the list
    // (1 is the first) it shows.
    std::optional<bool> cover;
    std::optional<int> coverSlide;
    // Texts for the video site with the #KEYWORD# tag; when either is set,
    // <name>.txt holds the title, a blank line and the description.
    std::optional<QString> titleTemplate;
    std::optional<QString> descriptionTemplate;

    // Slow zoom and pan: on or off, and how far a slide zooms over its time
    // (percent).
    std::optional<bool> motion;
    std::optional<int> motionStrength;
    // Which transitions are drawn from: "ten" (the classic ten), "all", or
    // one transition's xfade name; and how long one takes, in seconds.
    std::optional<QString> transitionSet;
    std::optional<double> transitionSeconds;
    // How fast the voice speaks: 1 is its own pace.
    std::optional<double> speechRate;
    // Every narration brought to the same loudness.
    std::optional<bool> evenLoudness;
    // Music steps back while the voice speaks: on or off, and by how many dB.
    std::optional<bool> musicDuck;
    std::optional<double> musicDuckDb;
};

// The limits of the motion and sound settings.
constexpr int kDefaultMotionStrength = 10;
constexpr int kMaxMotionStrength = 30;
constexpr double kMinTransitionSeconds = 0.5;
constexpr double kMaxTransitionSeconds = 2.0;
constexpr double kMinSpeechRate = 0.7;
constexpr double kMaxSpeechRate = 1.5;
constexpr double kDefaultDuckDb = 12.0;
constexpr double kMaxDuckDb = 30.0;

// "ten", "all" or a transition's name: empty when `set` is one of them, else
// what is wrong.
QString TransitionSetProblem(const QString& set);

// The file version this program writes and reads.
constexpr int kProjectVersion = 1;

// Reads project JSON. On failure returns false with one line in `error`
// naming the field and what was expected ("secondsPerSlide: expected a
// whole number of at least 1, got \"three\"").
bool ParseProject(const QByteArray& json, ProjectFile* project, QString* error);

// Indented JSON with sorted keys and a final line break; only the fields
// that are set are written.
QByteArray WriteProject(const ProjectFile& project);

// ParseProject on the file's content; the error names the file when it
// cannot be read.
bool ReadProjectFile(const QString& path, ProjectFile* project, QString* error);
// Writes the whole file or leaves the old one in place.
bool WriteProjectFile(const QString& path, const ProjectFile& project, QString* error);

// A path as written in a project file, made usable: relative ones are taken
// relative to `projectFolder`.
QString ResolveProjectPath(const QString& written, const QString& projectFolder);

// The form a path gets when a project is saved into `newFolder`. `written`
// is how the path was written in the project it came from (empty when it
// came from the user), `oldFolder` that project's folder. Paths keep the
// form they were written in: a relative one stays relative (to the new
// folder), anything else is stored as it is.
QString StoredProjectPath(const QString& path, const QString& written, const QString& oldFolder,
                          const QString& newFolder);

// The first slide or music file that does not exist, as a field-naming
// line; empty when every file the project names is there. The music file is
// only checked when music is on.
QString MissingProjectFile(const ProjectFile& project, const QString& projectFolder);

}  // namespace vm
