#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Text preparation shared by every engine: plain text is spoken line by line
// (a line break is a pause), speech markup is reduced to text and pauses for
// the engines that do not read markup themselves.
namespace vm::speech {

// The pause a line break of plain text gives, for every engine.
constexpr int kLineBreakPauseMs = 500;

// Escapes & < > so that markup-reading engines speak them as text.
QString EscapeMarkup(const QString& text);

// The lines of a text: split at "\r\n", "\n", "\r" and the Unicode line and
// paragraph separators. Blank lines are kept (as empty or blank strings).
QStringList SplitLines(const QString& text);

// A long line cut into pieces of at most `longest` characters, at sentence
// ends where it can (several sentences go together as long as they fit), at
// clause ends (",", ";", ":") inside a longer sentence, and at spaces as a
// last resort. Pieces keep their text; nothing is dropped but the blanks
// between them. A line that fits, or `longest` 0, gives the line itself.
QStringList SplitLongLine(const QString& line, int longest);

// One piece of a markup text: words to speak, or a pause before the next piece.
struct MarkupPiece {
    QString text;     // plain text, entities resolved
    int pauseMs = 0;  // > 0 for a pause piece
};

// Reads a subset of speech markup: <break time="500ms"|"1.5s" strength="..."/>
// and <silence msec="N"/> become pauses; <p> and <s> separate the text on
// each side; every other tag is dropped (its content stays); comments are
// skipped; &amp; &lt; &gt; &quot; &apos; and numeric entities are resolved.
// A "<" with no closing ">" is read as text.
QList<MarkupPiece> ParseMarkup(const QString& markup);

}  // namespace vm::speech
