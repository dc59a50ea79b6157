#pragma once

#include <QString>

namespace vm {

// The folder of the running program; output/, images/ and the demo files live
// beside it. Tests point it at a scratch folder of their own.
QString AppFolder();
void SetAppFolderForTesting(const QString& folder);

// AppFolder() + "/" + name with doubled separators collapsed, so a program at
// the root of a file system still gives "/output".
QString AppPath(const QString& name);

// Where videos, narrations and the prepared music go: AppPath("output")
// unless a batch run chose another folder.
QString OutputFolder();
void SetOutputFolder(const QString& folder);

}  // namespace vm
