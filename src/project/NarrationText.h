#pragma once

#include <QString>
#include <QStringList>

// Text work of the narration: cutting a text at a delimiter and removing
// leftover tags. compareMode 0 compares exactly, 1 ignores letter case.
namespace vm {

// The pieces of `text` between the delimiters. A text that ends with the
// delimiter gives no empty last piece, one that begins with it gives an empty
// first piece, an empty text gives no piece. `limit` -1 means no limit;
// otherwise cutting stops once more than `limit` pieces were cut and the rest
// is the last piece.
QStringList SplitText(const QString& text, const QString& delimiter, long limit, int compareMode);

// Every occurrence of `search` replaced, left to right, without overlap.
QString ReplaceText(const QString& text, const QString& search, const QString& replacement,
                    int compareMode);

// The text spoken for a keyword: the ad copy with "#KEYWORD#" replaced by the
// keyword. Without a keyword the tag is left out, with a space beside it.
// Captions, titles and descriptions are made from the same text.
QString NarrationTextFor(const QString& adCopy, const QString& keyword);

}  // namespace vm
