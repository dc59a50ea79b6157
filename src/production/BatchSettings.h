#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <string>

#include "ProjectFile.h"
#include "VoiceToken.h"

class Compressors;

// What a batch works from: every setting of the project, copied and resolved
// when the batch starts (paths made full, the voice and the compressor looked
// up), so that changing the window during a batch changes the next batch,
// never half of this one.
namespace vm {

struct BatchSettings {
    QStringList adCopies;  // the four ad-copy pages; empty ones are never spoken
    VoiceToken voice;
    QStringList slides;  // full image paths, in order
    int secondsPerSlide = 3;
    bool repeatImages = false;  // show the images again while the narration goes on
    bool transitions = true;
    bool randomize = true;
    int width = 854;
    int height = 480;
    // The video codec: FFmpeg's encoder, its name for messages and its
    // quality value (-1: none). "rawvideo" when compression is off.
    std::string codec = "rawvideo";
    std::string codecName = "raw video";
    int quality = -1;
    QStringList keywords;
    QString outputName = "myfile";  // the video's name when there are no keywords
    bool music = false;
    QString musicFile;  // full path
    bool musicReduceVolume = false;
    QString outputFolder;  // where videos go; made when missing
    QString ffmpegPath;    // the program that prepares the music

    // "avi" or "mp4" (then the codec is H.264 and `quality` its CRF).
    std::string container = "avi";
    // How a picture of another shape fills the frame: "fit", "blur", "fill".
    std::string fit = "fit";
    // Captions: an SRT file beside the video, burned into the picture, and
    // the spoken word coloured in burned ones.
    bool captionsFile = false;
    bool captionsBurned = false;
    bool highlightWords = false;
    // A cover picture per video (<name>.jpg) showing this slide of the list.
    bool cover = false;
    int coverSlide = 0;
    int coverWidth = 1280;
    int coverHeight = 720;
    // Title and description for the video site (<name>.txt) when either is
    // set; the keyword goes in for #KEYWORD#.
    QString titleTemplate;
    QString descriptionTemplate;

    // Slow zoom and pan: how far a slide zooms over its time (0.1 is 10%),
    // 0 when the pictures stand still.
    double motionStrength = 0;
    // The transitions drawn from: "ten", "all" or one xfade name; and how
    // long one takes.
    QString transitionSet = "ten";
    double transitionSeconds = 1.0;
    // The voice's pace (1: its own) and whether every narration is brought
    // to the same loudness.
    double speechRate = 1.0;
    bool evenLoudness = false;
    // How far the music steps back while the voice speaks (dB); 0: it does
    // not.
    double musicDuckDb = 0;
};

// Turns a complete project (every field set: what a file leaves out already
// filled from the start-up settings) into batch settings. `voices` are this
// machine's voices, `compressors` its compressor list with the current
// quality settings; relative paths are taken from `projectFolder`. False
// with one line naming the field when the project cannot be made here.
bool MakeBatchSettings(const ProjectFile& project, const QString& projectFolder,
                       const QList<VoiceToken>& voices, const Compressors& compressors,
                       BatchSettings* settings, QString* error);

// The settings a project gets for a field it leaves out: what the window
// shows right after it starts on this machine (the last English voice, the
// compressor chosen by the compressor list, 480p, three seconds a slide ...).
ProjectFile StartupProject(const QStringList& voiceDescriptions, const Compressors& compressors);

// "cover.slide: ..." when the cover is on and names a slide past the list's
// end; empty otherwise.
QString CoverSlideProblem(const ProjectFile& project);

// Fields the project leaves out take the values of `defaults`.
void FillMissingFields(ProjectFile* project, const ProjectFile& defaults);

// What stops a project from being made on this machine before anything is
// changed: a missing slide or music file, a voice or compressor this machine
// lacks, a keyword or output name that cannot be a file name. Empty when
// there is nothing.
QString ProjectProblemHere(const ProjectFile& project, const QString& projectFolder,
                           const QStringList& voiceDescriptions,
                           const QStringList& compressorNames);

}  // namespace vm
