#pragma once

#include <QString>

namespace vm {

// Keywords go into file names as typed. A keyword that cannot be a file name
// in the output folder ("/" or NUL in it, "." or "..", longer than 200 bytes
// in UTF-8) would write elsewhere or fail obscurely: this returns the reason
// in words, or an empty text when the keyword is fine.
QString KeywordFileNameProblem(const QString& keyword);

}  // namespace vm
