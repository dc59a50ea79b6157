#pragma once

#include <QString>
#include <functional>

class QWidget;

// The file chooser behind "Select MP3 File". Tests install a chooser that
// returns a path (or "" for cancel) instead of opening the dialog.
using MusicChooser = std::function<QString(QWidget* parent)>;

// Installs `chooser`; an empty one restores the real dialog. Returns the
// previous chooser (empty when the real dialog was in use).
MusicChooser SetMusicChooser(MusicChooser chooser);

// The chooser behind "Open Spreadsheet...", replaced the same way by tests.
MusicChooser& SpreadsheetChooser();
