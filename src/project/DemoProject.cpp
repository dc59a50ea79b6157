#include "DemoProject.h"

#include "AppFolder.h"

namespace vm {

QString DemoContentPath() {
    return DataPath("demo_content.txt");
}

QString DemoKeywordsPath() {
    return DataPath("demo_keywords.txt");
}

// AppPath collapses doubled separators, so a program at the root of a file
// system still gives "/images/dental".
QString DemoImagesFolder() {
    return DataPath("images/dental");
}

}  // namespace vm
