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
    static const QString tag = QStringLiteral("#KEYWORD#");
    if (!keyword.isEmpty()) return Replace(adCopy, tag, keyword, 0);
    // No keyword: the tag goes, with one space beside it, so "Looking for
    // #KEYWORD#? Call us" reads "Looking for? Call us" wherever it appears.
    QString text = adCopy;
    for (qsizetype at = text.indexOf(tag); at >= 0; at = text.indexOf(tag, at)) {
        qsizetype from = at;
        qsizetype to = at + tag.size();
        if (from > 0 && text[from - 1] == ' ')
            --from;
        else if (to < text.size() && text[to] == ' ')
            ++to;
        text.remove(from, to - from);
        at = from;
    }
    return text;
}

}  // namespace vm
