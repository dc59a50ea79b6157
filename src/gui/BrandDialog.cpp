#include "BrandDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>

#include "Brand.h"
#include "Controls.h"
#include "MsgBox.h"
#include "WidgetMaker.h"

namespace {

BrandChooser& InstalledChooser() {
    static BrandChooser chooser;
    return chooser;
}

QString RealChooser(QWidget* parent, const QString& what) {
    const QString filter = what == "logo" ? "Pictures (*.png *.jpg *.jpeg *.bmp *.webp)"
                                          : "Videos and pictures (*.mp4 *.mov *.mkv *.webm *.avi "
                                            "*.gif *.png *.jpg *.jpeg)";
    return QFileDialog::getOpenFileName(parent, "Select File", QDir::homePath(), filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

}  // namespace

BrandChooser SetBrandChooser(BrandChooser chooser) {
    BrandChooser previous = std::move(InstalledChooser());
    InstalledChooser() = std::move(chooser);
    return previous;
}

BrandDialog::BrandDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("frmBrand");
    setWindowTitle("Brand");
    auto* form = new QFormLayout(this);
    // A path, a button that chooses it and one that takes it away.
    auto fileRow = [&](const QString& what, const char* label, const char* name, const char* choose,
                       const char* none) {
        auto* row = new QWidget(this);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* path = ui::Make<PathLabel>(row, name);
        path->setMinimumWidth(260);
        auto* chooseButton = ui::Make<QPushButton>(row, choose, "Choose...");
        auto* noneButton = ui::Make<QPushButton>(row, none, "None");
        layout->addWidget(path, 1);
        layout->addWidget(chooseButton);
        layout->addWidget(noneButton);
        form->addRow(label, row);
        connect(chooseButton, &QPushButton::clicked, this, [=, this] { Choose(path, what); });
        connect(noneButton, &QPushButton::clicked, path, [path] { path->SetPath(QString()); });
    };
    fileRow("logo", "Logo:", "lblLogo", "cmdSelectLogo", "cmdNoLogo");
    auto* corner = ui::Make<QComboBox>(this, "cboLogoCorner");
    corner->addItem("Top left", "topLeft");
    corner->addItem("Top right", "topRight");
    corner->addItem("Bottom left", "bottomLeft");
    corner->addItem("Bottom right", "bottomRight");
    form->addRow("Corner:", corner);
    auto* width = ui::Make<QSpinBox>(this, "spnLogoWidth");
    width->setSuffix(" % of the width");
    form->addRow("Width:", width);
    auto* opacity = ui::Make<QSpinBox>(this, "spnLogoOpacity");
    opacity->setSuffix(" %");
    form->addRow("Opacity:", opacity);
    auto* margin = ui::Make<QSpinBox>(this, "spnLogoMargin");
    margin->setSuffix(" % of the width");
    form->addRow("Margin:", margin);
    form->addRow("", ui::Make<QCheckBox>(this, "chkLogoOnCover", "Logo on the cover picture too"));
    fileRow("intro", "Intro:", "lblIntro", "cmdSelectIntro", "cmdNoIntro");
    fileRow("outro", "Outro:", "lblOutro", "cmdSelectOutro", "cmdNoOutro");
    auto* seconds = ui::Make<QDoubleSpinBox>(this, "spnIntroSeconds");
    seconds->setDecimals(1);
    seconds->setSuffix(" s");
    seconds->setToolTip("How long an intro or outro that is a picture is shown.");
    form->addRow("Picture intro/outro:", seconds);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    // Laid out now, though not shown yet: its controls have their real sizes.
    adjustSize();
}

void BrandDialog::Choose(PathLabel* label, const QString& what) {
    const BrandChooser& chooser = InstalledChooser();
    const QString path = chooser ? chooser(this, what) : RealChooser(this, what);
    if (path.isEmpty()) return;
    const QString problem = vm::BrandFileProblem(path, what == "logo");
    if (!problem.isEmpty()) {
        MsgBox(this, QString("This file cannot be the %1: %2.").arg(what, problem), "Brand",
               QMessageBox::Critical);
        return;
    }
    label->SetPath(path);
}
