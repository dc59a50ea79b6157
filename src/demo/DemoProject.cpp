#include "DemoProject.h"

#include "AppFolder.h"

namespace vm {

QString DemoContentPath() {
    return AppPath("demo_content.txt");
}

QString DemoKeywordsPath() {
    return AppPath("demo_keywords.txt");
}

// AppPath collapses doubled separators, so a program at the root of a file
// system still gives "/images/dental".
QString DemoImagesFolder() {
    return AppPath("images/dental");
}

}  // namespace vm
