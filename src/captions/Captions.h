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
    // Written against the word before, without a space: a piece of a word
    // too long for one cue, or of text written without spaces (Chinese,
    // Japanese).
    bool joined = false;
};

// One caption on screen: up to two lines, the words (or pieces of words) it
// shows, the first `firstLineWords` of them on the first line, and from when
// to when.
struct CaptionCue {
    double start = 0;
    double end = 0;
    QStringList lines;
    std::vector<NarrationWord> words;
    int firstLineWords = 0;
};

// A line holds about 42 columns; a Chinese, Japanese or Korean character
// (and any other wide one) takes two.
constexpr int kCaptionLineChars = 42;
constexpr int kCaptionLines = 2;
constexpr double kCaptionLongestSeconds = 7.0;

// The columns `text` takes on a line.
int CaptionColumns(const QString& text);

// The words as a cue may show them: Chinese and Japanese text (which has no
// spaces between its words) in pieces of a character, broken after its
// punctuation and never before a closing mark; a word longer than a line, or
// heard for longer than a cue may last, in even pieces. A word's time is
// shared among its pieces by their length.
std::vector<NarrationWord> CaptionPieces(const std::vector<NarrationWord>& words);

// Groups the words, in the pieces CaptionPieces makes, into cues of at most
// two lines of about 42 columns and at most 7 seconds, each from its first
// word's start to its last word's end. A cue ends at every sentence end and
// at every pause in the speech; a full one ends at a clause end (a comma, a
// colon ...) where that keeps it well filled.
std::vector<CaptionCue> MakeCaptionCues(const std::vector<NarrationWord>& words);

// Cues of one line of at most `count` words (or pieces of a word) each, for
// the word-at-a-time look; they too end at sentence ends and pauses, and a
// cue lasts at most 7 seconds.
std::vector<CaptionCue> MakeWordCues(const std::vector<NarrationWord>& words, int count);

// "00:01:02,345"
QString SrtTime(double seconds);

// The cues as an SRT file: a number, "start --> end" and the lines, a blank
// line after each. `shift` (seconds, e.g. an intro's length) moves every
// time later after the times are rounded, so each is exactly that much later.
QString SrtText(const std::vector<CaptionCue>& cues, double shift = 0);

// The cues for the renderer to burn in, with where each word is in its text;
// in capitals with `upperCase`.
std::vector<RenderJob::Caption> BurnedCaptions(const std::vector<CaptionCue>& cues,
                                               bool upperCase = false);

}  // namespace vm
