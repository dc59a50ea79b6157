#include "KeywordRules.h"

namespace vm {

QString KeywordFileNameProblem(const QString& keyword) {
    // Most keywords are fine: the message is only put together for one that
    // is not (a list may hold a million).
    auto refused = [&](const QString& shownKeyword, const QString& why) {
        // A NUL ends a C string: printed as it is, it would cut the message off.
        QString shown = shownKeyword;
        shown.replace(QChar(0), QLatin1String("\\0"));
        return "The keyword \"" + shown + "\" cannot be used as a file name: " + why;
    };
    if (keyword.contains('/')) return refused(keyword, "it contains \"/\".");
    if (keyword.contains(QChar(0))) return refused(keyword, "it contains a NUL character.");
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

}  // namespace vm
