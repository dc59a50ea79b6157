#include "NarrationText.h"

#include "Helpers.h"

namespace vm {

QStringList SplitText(const QString& text, const QString& delimiter, long limit, int compareMode) {
    QStringList pieces;
    if (text.isEmpty()) return pieces;
    if (delimiter.isEmpty()) return {text};
    const Qt::CaseSensitivity cs = compareMode == 1 ? Qt::CaseInsensitive : Qt::CaseSensitive;
    qsizetype start = 0;
    qsizetype found = text.indexOf(delimiter, start, cs);
    while (found >= 0 && (limit == -1 || pieces.size() <= limit)) {
        pieces << text.mid(start, found - start);
        start = found + delimiter.size();
        found = text.indexOf(delimiter, start, cs);
    }
    if (start < text.size()) pieces << text.mid(start);
    return pieces;
}

QString ReplaceText(const QString& text, const QString& search, const QString& replacement,
                    int compareMode) {
    return Replace(text, search, replacement, compareMode);
}

QString NarrationTextFor(const QString& adCopy, const QString& keyword) {
    if (keyword.isEmpty()) return adCopy;
    return Replace(adCopy, "#KEYWORD#", keyword, 0);
}

}  // namespace vm
