#include "UploadGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

#include "WidgetMaker.h"


UploadGroup::UploadGroup(const QRect& place, QWidget* parent) : QGroupBox("For Upload", parent) {
    setObjectName("grpUpload");
    setGeometry(place);
    auto* form = new QFormLayout(this);
    form->setContentsMargins(10, 6, 10, 6);
    form->setVerticalSpacing(3);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const MakeCombo combo = [](QWidget* parent, const char* name, std::initializer_list<Item> items) {
        auto* box = ui::Make<QComboBox>(parent, name);
        for (const Item& item : items) box->addItem(item.text, item.name);
        return box;
    };
    format_ = combo(this, "cboFormat", {{"AVI", "avi"}, {"MP4 (H.264 + AAC)", "mp4"}});
    format_->setToolTip(
        "MP4 plays everywhere and is what video sites ask for; AVI is made with the compressor "
        "chosen above.");
    form->addRow("Format:", format_);
    QComboBox* shape = combo(
        this, "cboShape",
        {{"Landscape 16:9", "landscape"}, {"Portrait 9:16", "portrait"}, {"Square 1:1", "square"}});
    shape->setToolTip("Portrait is for phone feeds: 1080p portrait is 1080 x 1920.");
    form->addRow("Shape:", shape);
    QComboBox* fit = combo(this, "cboFit",
                           {{"Fit", "fit"}, {"Fit on a blurred copy", "blur"}, {"Fill", "fill"}});
    fit->setToolTip(
        "How a picture of another shape fills the frame: whole on black, whole on a blurred "
        "copy of itself, or cut to fill it.");
    form->addRow("Pictures:", fit);

    auto* captionsRow = new QWidget(this);
    auto* captionsLayout = new QHBoxLayout(captionsRow);
    captionsLayout->setContentsMargins(0, 0, 0, 0);
    captions_ = combo(captionsRow, "cboCaptions",
                      {{"None", "none"},
                       {"SRT file", "srt"},
                       {"Burned in", "burned"},
                       {"SRT file and burned in", "both"}});
    captions_->setToolTip(
        "Captions of the narration, timed by the voice: an SRT file beside each video, burned "
        "into the picture, or both.");
    highlightWords_ = ui::Make<QCheckBox>(captionsRow, "chkHighlightWords", "Highlight words");
    highlightWords_->setToolTip("Burned-in captions colour the word being spoken.");
    captionsLayout->addWidget(captions_, 1);
    captionsLayout->addWidget(highlightWords_);
    form->addRow("Captions:", captionsRow);

    AddCaptionStyle(form, combo);

    auto* coverRow = new QWidget(this);
    auto* coverLayout = new QHBoxLayout(coverRow);
    coverLayout->setContentsMargins(0, 0, 0, 0);
    cover_ = ui::Make<QCheckBox>(coverRow, "chkCover", "Cover picture from slide");
    cover_->setToolTip(
        "A JPEG beside each video (1280 x 720, or turned like the video) showing this slide "
        "with the keyword as a large headline.");
    coverSlide_ = ui::Make<QSpinBox>(coverRow, "spnCoverSlide");
    coverLayout->addWidget(cover_);
    coverLayout->addWidget(coverSlide_);
    coverLayout->addStretch(1);
    form->addRow("Cover:", coverRow);

    auto* title = ui::Make<QLineEdit>(this, "txtTitleTemplate");
    title->setPlaceholderText("#KEYWORD# - call us today");
    form->addRow("Title:", title);
    auto* description = ui::Make<QPlainTextEdit>(this, "txtDescriptionTemplate");
    description->setPlaceholderText("Everything about #KEYWORD# ...");
    description->setToolTip(
        "With a title or a description, a text file beside each video holds the title, a "
        "blank line and the description, the keyword put in for #KEYWORD#.");
    description->setTabChangesFocus(true);
    form->addRow("Description:", description);

    connect(format_, &QComboBox::currentIndexChanged, this, &UploadGroup::formatChanged);
    connect(captions_, &QComboBox::currentIndexChanged, this, &UploadGroup::UpdateEnabled);
    connect(cover_, &QCheckBox::toggled, this, &UploadGroup::UpdateEnabled);
    UpdateEnabled();
}

void UploadGroup::AddCaptionStyle(QFormLayout* form, const MakeCombo& combo) {
    auto row = [&](const char* label) {
        auto* widget = new QWidget(this);
        auto* layout = new QHBoxLayout(widget);
        layout->setContentsMargins(0, 0, 0, 0);
        form->addRow(label, widget);
        captionParts_.push_back(widget);
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
    auto colour = [](QWidget* parent, const char* name, const char* tip) {
        auto* line = ui::Make<QLineEdit>(parent, name);
        line->setInputMask("\\#HHHHHH");
        line->setMaximumWidth(80);
        line->setToolTip(tip);
        return line;
    };

    QHBoxLayout* style = row("Caption style:");
    QComboBox* preset = combo(style->parentWidget(), "cboCaptionStyle",
                              {{"Classic", "classic"},
                               {"Bold centre", "boldCentre"},
                               {"Boxed lower third", "boxedLowerThird"},
                               {"One word at a time", "oneWordAtATime"}});
    preset->setToolTip("Choosing a style sets the parts below; change any of them after.");
    auto* font = ui::Make<QComboBox>(style->parentWidget(), "cboCaptionFont");
    font->addItems(QFontDatabase::families());
    font->setToolTip("Any font on this machine; letters it lacks come from one that has them.");
    style->addWidget(preset, 1);
    style->addWidget(font, 1);
    style->addWidget(percent(style->parentWidget(), "spnCaptionSize",
                             "Size, in percent of the frame's height (a portrait frame's width)."));

    QHBoxLayout* colours = row("Colours:");
    QWidget* parent = colours->parentWidget();
    colours->addWidget(colour(parent, "txtCaptionColour", "The text's colour."));
    colours->addWidget(combo(parent, "cboCaptionBackground", {{"Outline", "outline"}, {"Box", "box"}}));
    colours->addWidget(colour(parent, "txtCaptionBackColour", "The outline's or the box's colour."));
    auto* opacity = ui::Make<QSpinBox>(parent, "spnCaptionBackOpacity");
    opacity->setSuffix(" %");
    opacity->setToolTip("How opaque the outline or the box is.");
    colours->addWidget(opacity);
    colours->addWidget(colour(parent, "txtCaptionHighlight", "The colour of the word being spoken."));

    QHBoxLayout* place = row("Place:");
    parent = place->parentWidget();
    place->addWidget(combo(parent, "cboCaptionPlace",
                           {{"Bottom", "bottom"}, {"Middle", "middle"}, {"Top", "top"}}));
    place->addWidget(percent(parent, "spnCaptionMargin",
                             "Distance from the title-safe area's edge, in percent of the height."));
    auto* words = ui::Make<QSpinBox>(parent, "spnCaptionWords");
    words->setSpecialValueText("Lines");
    words->setSuffix(" at a time");
    words->setToolTip("Whole lines, or one to three words at a time.");
    place->addWidget(words);
    place->addWidget(ui::Make<QCheckBox>(parent, "chkCaptionUpperCase", "Upper case"));
}

bool UploadGroup::Mp4() const {
    return format_->currentData().toString() == "mp4";
}

void UploadGroup::UpdateEnabled() {
    const QString captions = captions_->currentData().toString();
    const bool burned = captions == "burned" || captions == "both";
    highlightWords_->setEnabled(burned);
    for (QWidget* part : captionParts_) part->setEnabled(burned);
    coverSlide_->setEnabled(cover_->isChecked());
}
