#pragma once

#include <QString>

// Where the demo project's files lie: shipped from data/, beside the program
// or installed in ../share/vidmill (DataFolder).
namespace vm {

// The sample ad copy (with the #KEYWORD# tag).
QString DemoContentPath();
// The sample keywords, one per line.
QString DemoKeywordsPath();
// The sample pictures that become the demo's slides.
QString DemoImagesFolder();

}  // namespace vm
