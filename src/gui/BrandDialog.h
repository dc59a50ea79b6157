#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class PathLabel;

// The file chooser behind the brand's "Choose..." buttons; `what` is
// "logo", "intro" or "outro". Tests install one that returns a path (or ""
// for cancel) instead of opening the dialog. Returns the previous chooser.
using BrandChooser = std::function<QString(QWidget* parent, const QString& what)>;
BrandChooser SetBrandChooser(BrandChooser chooser);

// "Brand" (`frmBrand`): the logo on every frame (its corner, width, opacity
// and margin, and whether the cover shows it), the intro and the outro. Made
// with the window and bound with it; "Brand..." in "For Upload" shows it.
// A file that cannot be read is refused with a message, and the one chosen
// before stays.
class BrandDialog : public QDialog {
    Q_OBJECT
public:
    explicit BrandDialog(QWidget* parent);

private:
    void Choose(PathLabel* label, const QString& what);
};
