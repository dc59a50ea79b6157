#pragma once

#include <QDialog>

// "Caption Style" (`frmCaptionStyle`): the parts of the burned captions'
// look that a "Caption style" in "For Upload" sets: font, size, colours,
// outline or box, place, words at a time, upper case. Made with the window and
// bound with it; "Adjust..." beside the style shows it. Choosing another
// style sets these again.
class CaptionStyleDialog : public QDialog {
    Q_OBJECT
public:
    explicit CaptionStyleDialog(QWidget* parent);
};
