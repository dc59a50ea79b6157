#include "KeywordRules.h"

namespace vm {

QString KeywordFileNameProblem(const QString& keyword) {
    const QString quoted = "The keyword \"" + keyword + "\" cannot be used as a file name: ";
    if (keyword.contains('/')) return quoted + "it contains \"/\".";
    if (keyword.contains(QChar(0))) return quoted + "it contains a NUL character.";
    if (keyword == "." || keyword == "..") return quoted + "\".\" and \"..\" name folders.";
    if (!keyword.isEmpty() && keyword.trimmed().isEmpty())
        return quoted + "it is only spaces, which is no name.";
    if (keyword.toUtf8().size() > 200) {
        return "The keyword \"" + keyword.left(40) +
               "...\" cannot be used as a file name: it is "
               "longer than 200 bytes.";
    }
    return {};
}

}  // namespace vm
