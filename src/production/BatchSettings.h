#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <string>

#include "Brand.h"
#include "ProjectFile.h"
#include "VoiceToken.h"

class Compressors;

// What a batch works from: every setting of the project, copied when the
// batch starts, so that changing the window during a batch changes the next
// batch, never half of this one. Settings are read with Get(setting::name);
// the fields below are what the batch resolved from them on this machine.
namespace vm {

struct BatchSettings {
    Settings values;
    template <typename T>
    T Get(const Setting<T>& s) const {
        return values.Get(s);
    }
    template <typename T>
    void Set(const Setting<T>& s, const std::type_identity_t<T>& value) {
        values.Set(s, value);
    }
    bool Is(const TextSetting& s, const char* name) const { return values.Is(s, name); }

    VoiceToken voice;
    QStringList slides;  // full image paths, in order
    int width = 854;
    int height = 480;
    // The video codec: FFmpeg's encoder, its name for messages and its
    // quality value (-1: none). "rawvideo" when compression is off.
    std::string codec = "rawvideo";
    std::string codecName = "raw video";
    int quality = -1;
    // "avi" or "mp4" (then the codec is H.264 and `quality` its CRF).
    std::string container = "avi";
    QString musicFile;     // full path; empty without music
    QString outputFolder;  // where videos go; made when missing
    QString ffmpegPath;    // the program that prepares the music

    // Captions: an SRT file beside the video, burned into the picture.
    bool captionsFile = false;
    bool captionsBurned = false;
    // The cover picture shows this slide of the list (0 is the first), at
    // this size.
    int coverSlide = 0;
    int coverWidth = 1280;
    int coverHeight = 720;
    // How far a slide zooms over its time (0.1 is 10%), 0 when the pictures
    // stand still.
    double motionStrength = 0;
    // How far the music steps back while the voice speaks (dB); 0: it does
    // not.
    double musicDuckDb = 0;
    // The logo, intro and outro, their files read and measured.
    Brand brand;
};

// Where a project's videos go: its `output` folder (relative paths taken
// from `projectFolder`), or the program's output folder when it names none.
QString ProjectOutputFolder(const Settings& project, const QString& projectFolder);

// Turns a complete project (what a file leaves out already filled from the
// machine's defaults) into batch settings. `voices` are this machine's
// voices, `compressors` its compressor list with the current quality
// settings; relative paths are taken from `projectFolder`. False with one
// line naming the field when the project cannot be made here.
bool MakeBatchSettings(const Settings& project, const QString& projectFolder,
                       const QList<VoiceToken>& voices, const Compressors& compressors,
                       BatchSettings* settings, QString* error);

// The defaults on this machine: the table's, with the last English voice
// and the compressor the compressor list chooses.
Settings MachineDefaults(const QStringList& voiceDescriptions, const Compressors& compressors);

// "cover.slide: ..." when the cover is on and names a slide past the list's
// end; empty otherwise.
QString CoverSlideProblem(const Settings& project);

// What stops a project from being made on this machine before anything is
// changed: a missing slide or music file, a voice or compressor this machine
// lacks, a keyword or output name that cannot be a file name. Empty when
// there is nothing. The window opens a project with missing slides
// (`slidesMayBeMissing`) and lets the user find them; a batch must not guess.
QString ProjectProblemHere(const Settings& project, const QString& projectFolder,
                           const QStringList& voiceDescriptions,
                           const QStringList& compressorNames, bool slidesMayBeMissing = false);

}  // namespace vm
