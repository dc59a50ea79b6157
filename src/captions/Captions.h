#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "RenderJob.h"

// Captions of a narration: its words as written, timed by the speech engine,
// grouped into cues a viewer can read, as an SRT file or burned into the
// picture.
namespace vm {

// One word of the narration as the ad copy spells it (the keyword put in),
// and when it is heard, in seconds from the narration's start.
struct NarrationWord {
    QString text;
    double start = 0;
    double end = 0;
};

// One caption on screen: up to two lines, the words it shows
// [firstWord, firstWord + wordCount) and from when to when.
struct CaptionCue {
    double start = 0;
    double end = 0;
    QStringList lines;
    int firstWord = 0;
    int wordCount = 0;
};

constexpr int kCaptionLineChars = 42;
constexpr int kCaptionLines = 2;
constexpr double kCaptionLongestSeconds = 7.0;

// Groups the words into cues of at most two lines of about 42 characters and
// at most 7 seconds (a single word may be longer), each from its first word's
// start to its last word's end. A cue ends at every sentence end and at every
// pause in the speech; a full one ends at a clause end (a comma, a colon ...)
// where that keeps it well filled.
std::vector<CaptionCue> MakeCaptionCues(const std::vector<NarrationWord>& words);

// "00:01:02,345"
QString SrtTime(double seconds);

// The cues as an SRT file: a number, "start --> end" and the lines, a blank
// line after each.
QString SrtText(const std::vector<CaptionCue>& cues);

// The cues for the renderer to burn in, with where each word is in its text.
std::vector<RenderJob::Caption> BurnedCaptions(const std::vector<CaptionCue>& cues,
                                               const std::vector<NarrationWord>& words);

}  // namespace vm
