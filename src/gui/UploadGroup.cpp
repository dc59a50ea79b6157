#include "UploadGroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include "BrandDialog.h"
#include "CaptionStyleDialog.h"
#include "WidgetMaker.h"

namespace {
// A choice as the list shows it, and its name in the project.
struct Item {
    const char* text;
    const char* name;
};
}  // namespace

UploadGroup::UploadGroup(const QRect& place, QWidget* parent) : QGroupBox("For Upload", parent) {
    setObjectName("grpUpload");
    setGeometry(place);
    auto* form = new QFormLayout(this);
    form->setContentsMargins(10, 6, 10, 6);
    form->setVerticalSpacing(3);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto combo = [](QWidget* parent, const char* name, std::initializer_list<Item> items) {
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

    auto* clipsRow = new QWidget(this);
    auto* clipsLayout = new QHBoxLayout(clipsRow);
    clipsLayout->setContentsMargins(0, 0, 0, 0);
    QComboBox* clipFill =
        combo(clipsRow, "cboClipFill", {{"Hold the last frame", "freeze"}, {"Play again", "loop"}});
    clipFill->setToolTip(
        "A video clip shorter than its slide holds its last frame or plays again.");
    QComboBox* clipSound =
        combo(clipsRow, "cboClipSound", {{"Silent", "off"}, {"Sound under the voice", "under"}});
    clipSound->setToolTip(
        "A clip's own sound, left out or mixed under the narration (lowered while the voice "
        "speaks, by the music's amount).");
    clipsLayout->addWidget(clipFill, 1);
    clipsLayout->addWidget(clipSound, 1);
    form->addRow("Clips:", clipsRow);

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

    // A named look for burned captions; its parts in a dialog of their own,
    // made now so the window's binding finds its controls.
    captionStyleRow_ = new QWidget(this);
    auto* styleLayout = new QHBoxLayout(captionStyleRow_);
    styleLayout->setContentsMargins(0, 0, 0, 0);
    QComboBox* style = combo(captionStyleRow_, "cboCaptionStyle",
                             {{"Classic", "classic"},
                              {"Bold centre", "boldCentre"},
                              {"Boxed lower third", "boxedLowerThird"},
                              {"One word at a time", "oneWordAtATime"}});
    style->setToolTip(
        "How burned-in captions look. Choosing a style sets its font, size, colours and place; "
        "Adjust... changes any of them.");
    auto* styleDialog = new CaptionStyleDialog(this);
    auto* adjust = ui::Make<QPushButton>(captionStyleRow_, "cmdCaptionStyle", "Adjust...");
    adjust->setToolTip("The caption style's font, size, colours, place and words at a time.");
    styleLayout->addWidget(style, 1);
    styleLayout->addWidget(adjust);
    connect(adjust, &QPushButton::clicked, styleDialog, &QDialog::show);
    form->addRow("Caption style:", captionStyleRow_);

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
    // The logo, intro and outro in a dialog of their own, made now so the
    // window's binding finds its controls.
    auto* brandDialog = new BrandDialog(this);
    auto* brand = ui::Make<QPushButton>(coverRow, "cmdBrand", "Brand...");
    brand->setToolTip("A logo on every frame, an intro before and an outro after every video.");
    coverLayout->addWidget(brand);
    connect(brand, &QPushButton::clicked, brandDialog, &QDialog::show);
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

bool UploadGroup::Mp4() const {
    return format_->currentData().toString() == "mp4";
}

void UploadGroup::UpdateEnabled() {
    const QString captions = captions_->currentData().toString();
    const bool burned = captions == "burned" || captions == "both";
    highlightWords_->setEnabled(burned);
    captionStyleRow_->setEnabled(burned);
    coverSlide_->setEnabled(cover_->isChecked());
}
