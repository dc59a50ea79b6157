#include "CaptionStyleDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

#include "WidgetMaker.h"

CaptionStyleDialog::CaptionStyleDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("frmCaptionStyle");
    setWindowTitle("Caption Style");
    auto* form = new QFormLayout(this);
    auto row = [&](const char* label) {
        auto* widget = new QWidget(this);
        auto* layout = new QHBoxLayout(widget);
        layout->setContentsMargins(0, 0, 0, 0);
        form->addRow(label, widget);
        return layout;
    };
    auto percent = [](QWidget* parent, const char* name, const char* tip) {
        auto* spin = ui::Make<QDoubleSpinBox>(parent, name);
        spin->setDecimals(1);
        spin->setSingleStep(0.5);
        spin->setSuffix(" %");
        spin->setToolTip(tip);
        return spin;
    };
    // "#RRGGBB" typed, or chosen with "..." in Qt's colour dialog.
    auto colour = [this](QHBoxLayout* layout, const char* name, const char* tip) {
        QWidget* parent = layout->parentWidget();
        auto* line = ui::Make<QLineEdit>(parent, name);
        line->setInputMask("\\#HHHHHH");
        line->setMaximumWidth(80);
        line->setToolTip(tip);
        auto* choose = new QToolButton(parent);
        choose->setText("...");
        choose->setToolTip(tip);
        connect(choose, &QToolButton::clicked, this, [this, line] {
            const QColor chosen = QColorDialog::getColor(QColor(line->text()), this, "Colour");
            if (chosen.isValid()) line->setText(chosen.name().toUpper());
        });
        layout->addWidget(line);
        layout->addWidget(choose);
    };

    QHBoxLayout* font = row("Font:");
    // Qt lists the fonts installed here; letters a font lacks come from one
    // that has them.
    auto* family = ui::Make<QFontComboBox>(font->parentWidget(), "cboCaptionFont");
    family->setEditable(false);
    family->setToolTip("Any font on this machine; letters it lacks come from one that has them.");
    font->addWidget(family, 1);
    font->addWidget(percent(font->parentWidget(), "spnCaptionSize",
                            "Size, in percent of the frame's height (a portrait frame's width)."));

    QHBoxLayout* text = row("Text colour:");
    colour(text, "txtCaptionColour", "The text's colour.");
    text->addStretch(1);
    text->addWidget(ui::Make<QCheckBox>(text->parentWidget(), "chkCaptionUpperCase", "Upper case"));

    QHBoxLayout* back = row("Behind it:");
    auto* background = ui::Make<QComboBox>(back->parentWidget(), "cboCaptionBackground");
    background->addItem("Outline", "outline");
    background->addItem("Box", "box");
    back->addWidget(background);
    colour(back, "txtCaptionBackColour", "The outline's or the box's colour.");
    auto* opacity = ui::Make<QSpinBox>(back->parentWidget(), "spnCaptionBackOpacity");
    opacity->setSuffix(" % opaque");
    opacity->setToolTip("How opaque the outline or the box is.");
    back->addWidget(opacity);

    QHBoxLayout* place = row("Place:");
    auto* where = ui::Make<QComboBox>(place->parentWidget(), "cboCaptionPlace");
    where->addItem("Bottom", "bottom");
    where->addItem("Middle", "middle");
    where->addItem("Top", "top");
    place->addWidget(where);
    place->addWidget(
        percent(place->parentWidget(), "spnCaptionMargin",
                "Distance from the title-safe area's edge, in percent of the height."));
    place->addStretch(1);

    QHBoxLayout* words = row("Words:");
    auto* count = ui::Make<QSpinBox>(words->parentWidget(), "spnCaptionWords");
    count->setSpecialValueText("Whole lines");
    count->setSuffix(" at a time");
    count->setToolTip("Whole lines, or one to three words at a time.");
    words->addWidget(count);
    words->addStretch(1);
    QHBoxLayout* spoken = row("Spoken word:");
    colour(spoken, "txtCaptionHighlight",
           "The colour of the word being spoken, with \"Highlight words\".");
    spoken->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    // Laid out now, though not shown yet: its controls have their real sizes.
    adjustSize();
}
