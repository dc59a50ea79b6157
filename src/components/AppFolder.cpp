#include "AppFolder.h"

#include <QCoreApplication>

#include "Helpers.h"

namespace vm {
namespace {
QString& Override() {
    static QString folder;
    return folder;
}
}  // namespace

QString AppFolder() {
    if (!Override().isEmpty()) return Override();
    return QCoreApplication::applicationDirPath();
}

void SetAppFolderForTesting(const QString& folder) {
    Override() = folder;
}

QString AppPath(const QString& name) {
    return Replace(AppFolder() + "/" + name, "//", "/", 0);
}

namespace {
QString& OutputOverride() {
    static QString folder;
    return folder;
}
}  // namespace

QString OutputFolder() {
    if (!OutputOverride().isEmpty()) return OutputOverride();
    return AppPath("output");
}

void SetOutputFolder(const QString& folder) {
    OutputOverride() = folder;
}

}  // namespace vm
