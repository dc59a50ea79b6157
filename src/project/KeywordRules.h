#pragma once

#include <QString>
#include <QStringList>

namespace vm {

// Keywords go into file names as typed. A keyword that cannot be a file name
// in the output folder ("/", NUL or another control character such as a tab
// in it, "." or "..", longer than 200 bytes in UTF-8) would write elsewhere,
// fail obscurely or make a name nobody can type: this returns the reason in
// words, or an empty text when the keyword is fine.
QString KeywordFileNameProblem(const QString& keyword);

// True when a control character (a tab, a line break, ...) is in the text.
bool HasControlCharacter(const QString& text);

// A keyword as the window, a keyword file and a project file take it: white
// space before and after it goes. One that is nothing but white space stays
// as it is, so it is refused rather than made a video without a keyword.
QString TrimKeyword(const QString& keyword);
QStringList TrimKeywords(const QStringList& keywords);

}  // namespace vm
