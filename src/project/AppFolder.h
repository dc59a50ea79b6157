#pragma once

#include <QString>

namespace vm {

// The folder of the running program. Run from where it was built (or from any
// folder it can write), its gallery and demo files and what it keeps (the
// output folder, the keyword file) all live beside it.
QString AppFolder();
void SetAppFolderForTesting(const QString& folder);

// Where the gallery (images/) and the demo files are: beside the program, or,
// installed, in ../share/vidmill.
QString DataFolder();
QString DataPath(const QString& name);

// Where the program keeps what it writes (output/, the keyword file): beside
// the program when its data is there too and it may write there; installed
// (or in a folder it cannot write), the user's videos folder, "Vid Mill" in
// it (~/Videos/Vid Mill).
QString UserFolder();
QString UserPath(const QString& name);

// Where videos go: UserPath("output") unless a batch run chose another folder.
QString OutputFolder();
void SetOutputFolder(const QString& folder);

}  // namespace vm
