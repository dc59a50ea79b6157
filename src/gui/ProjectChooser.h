#pragma once

#include <QString>
#include <functional>

class QWidget;

// The file dialog behind "Save Project..." and "Open Project...". Tests and
// headless runs install a chooser that returns a path ("" for cancel)
// instead of opening the dialog. `forSaving` tells which of the two asks.
using ProjectChooser = std::function<QString(QWidget* parent, bool forSaving)>;

// Installs `chooser`; an empty one restores the real dialog. Returns the
// previous chooser.
ProjectChooser SetProjectChooser(ProjectChooser chooser);
