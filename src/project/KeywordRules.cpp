#include "KeywordRules.h"

#include <algorithm>

namespace vm {

QString KeywordFileNameProblem(const QString& keyword) {
    // Most keywords are fine: the message is only put together for one that
    // is not (a list may hold a million).
    auto refused = [&](const QString& shownKeyword, const QString& why) {
        // A NUL ends a C string: printed as it is, it would cut the message off.
        // Nor is any other control character shown as it is.
        QString shown;
        for (const QChar c : shownKeyword) {
            if (c == QChar(0))
                shown += QLatin1String("\\0");
            else if (c == '\t')
                shown += QLatin1String("\\t");
            else if (c == '\n')
                shown += QLatin1String("\\n");
            else if (c.category() == QChar::Other_Control)
                shown += QString("\\x%1").arg(c.unicode(), 2, 16, QChar('0'));
            else
                shown += c;
        }
        return "The keyword \"" + shown + "\" cannot be used as a file name: " + why;
    };
    if (keyword.contains('/')) return refused(keyword, "it contains \"/\".");
    if (keyword.contains(QChar(0))) return refused(keyword, "it contains a NUL character.");
    if (HasControlCharacter(keyword))
        return refused(keyword, "it contains a control character (a tab, a line break, ...).");
    if (keyword == "." || keyword == "..")
        return refused(keyword, "\".\" and \"..\" name folders.");
    if (!keyword.isEmpty() && keyword.trimmed().isEmpty())
        return refused(keyword, "it is only spaces, which is no name.");
    // UTF-8 takes at most three bytes for a UTF-16 unit: short keywords need
    // no conversion.
    if (keyword.size() * 3 > 200 && keyword.toUtf8().size() > 200)
        return refused(keyword.left(40) + "...", "it is longer than 200 bytes.");
    return {};
}

bool HasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

QString TrimKeyword(const QString& keyword) {
    const QString trimmed = keyword.trimmed();
    return trimmed.isEmpty() ? keyword : trimmed;
}

QStringList TrimKeywords(const QStringList& keywords) {
    QStringList trimmed;
    trimmed.reserve(keywords.size());
    for (const QString& keyword : keywords) trimmed << TrimKeyword(keyword);
    return trimmed;
}

}  // namespace vm
