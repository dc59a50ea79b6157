#include "frmInfo.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "Controls.h"
#include "MakeVideoPanel.h"
#include "Shell.h"
#include "WindowShortcuts.h"

namespace {

constexpr int kColumnWidth = 490;
constexpr int kLeftX = 24;
constexpr int kRightX = 565;
// The texts' page, and the whole dialog on a screen that has room for it.
constexpr QSize kPageSize(1079, 490);
constexpr QSize kDialogSize(1079, 538);

// Places a word-wrapped text at (x, y) and returns the y below it.
int Place(QLabel* label, int x, int y, int gapAfter = 8) {
    label->setWordWrap(true);
    const int h = label->heightForWidth(kColumnWidth);
    label->setGeometry(x, y, kColumnWidth, h > 0 ? h : label->sizeHint().height());
    return y + label->height() + gapAfter;
}

}  // namespace

QString frmInfo::SpeechDownloadAddress() {
    return "https://github.com/espeak-ng/espeak-ng/releases";
}

std::function<void(frmInfo*)>& frmInfo::ShownHook() {
    static std::function<void(frmInfo*)> hook;
    return hook;
}

frmInfo::frmInfo(QWidget* parent) : QDialog(parent) {
    setObjectName("frmInfo");
    setWindowTitle("Info");
    QFont base("DejaVu Sans");
    base.setPixelSize(12);
    setFont(base);
    // The texts keep their places on a page that scrolls when the dialog is
    // smaller than it (an 800x600 screen); Close stays in view below it.
    auto* page = new QWidget;
    page->setObjectName("infoPage");
    page->setFixedSize(kPageSize);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("infoScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page);

    auto make = [page](QLabel*& member, const char* name, const QString& text, bool bold = false,
                       const QColor& color = QColor()) {
        member = new QLabel(text, page);
        member->setObjectName(name);
        if (bold) {
            QFont f = member->font();
            f.setBold(true);
            member->setFont(f);
        }
        if (color.isValid()) {
            QPalette p = member->palette();
            p.setColor(QPalette::WindowText, color);
            member->setPalette(p);
        }
    };

    // Left column: speech.
    make(Label1, "Label1", "Text to Speech:", true);
    make(Label2, "Label2",
         "Always test a your content (text to speech)  before creating a video (select a voice "
         "and click the test button).");
    make(Label18, "Label18",
         "Important: If you hear an unexpected pause, it may be caused by a carriage return in "
         "your text (you'll need to remove it)");
    make(Label6, "Label6", "Troubleshooting: Some Voices May Not Be Available...", true);
    make(Label3, "Label3",
         "Some voices may Not work with the system and this is Ok...but...if none of the "
         "installed voices work, then you have a problem with the speech engines (espeak-ng, "
         "flite and festival):");
    make(Label4, "Label4", "Option 1: The speech engines are not installed or...");
    make(Label5, "Label5", "Option 2: Their voice files are missing.");
    make(Label7, "Label7",
         "Both cases are very rare: Vid Mill's set-up script installs them. If you have no "
         "installed voice, or none of your voices works, install them again with \"sudo apt-get "
         "install espeak-ng-data flite festival festvox-us-slt-hts\" and start Vid Mill again.");
    make(Label9, "Label9", "Here's a Link that may help:");
    Label8 = new LinkLabel(SpeechDownloadAddress(), page);
    Label8->setObjectName("Label8");
    {
        QFont f = Label8->font();
        f.setUnderline(true);
        Label8->setFont(f);
        QPalette p = Label8->palette();
        p.setColor(QPalette::WindowText, QColor(0, 0, 238));
        Label8->setPalette(p);
    }
    make(Label10, "Label10",
         "Comment: The voices that are appear in the list of available voices are not provided by "
         "us. They come with the speech engines of your system: more are added by installing "
         "voice packages with apt (for example mbrola voices for espeak-ng, or festvox voices "
         "for festival) and starting Vid Mill again. Although there are some sites that offer "
         "some additional voices we don't provide / recommend anyone in particular.");

    // Right column: compressors and general issues.
    make(Label11, "Label11", "Video Compressors:", true);
    make(Label12, "Label12",
         "Video compressors (codecs), help you to reduce the size of your videos. We strongly "
         "recommend you to use one.");
    make(Label13, "Label13", "Comments:");
    make(Label14, "Label14", "- Our software uses the codecs that you already have.");
    make(Label15, "Label15",
         "- Not all the codecs produce good results. We recommend the \"" +
             DefaultCompressorName() +
             "\" codec, the one chosen at start, but of course, you're free to use any other.");
    make(Label17, "Label17",
         "- If you want to produce smaller videos, you can also use a lower resolution.");
    make(Label16, "Label16", "General Issues:", true);
    make(Label19, "Label19", "Q: The videos take too long to be created. What can i do?");
    make(Label20, "Label20",
         "A: Create a video without a compressor. If everything works ok without a compressor, "
         "then you need to pick another compresor.");
    make(Label22, "Label22",
         "Please also pay attention to the filesize of your images (we recommend you to use "
         "images with a filesize up to 1MB) as heavy images take longer to process + they "
         "increase the final size of your video.",
         false, QColor(0, 0, 128));
    make(Label21, "Label21",
         "We strongly recommend you to make a test video with a compressor. Once that everyhing "
         "goes ok, go on with a real project.",
         false, QColor(0, 0, 128));

    int y = 22;
    y = Place(Label1, kLeftX, y, 6);
    y = Place(Label2, kLeftX, y);
    y = Place(Label18, kLeftX, y, 22);
    y = Place(Label6, kLeftX, y, 6);
    y = Place(Label3, kLeftX, y);
    y = Place(Label4, kLeftX, y, 4);
    y = Place(Label5, kLeftX, y);
    y = Place(Label7, kLeftX, y, 14);
    y = Place(Label9, kLeftX, y, 4);
    y = Place(Label8, kLeftX, y, 22);
    Label8->setWordWrap(false);
    Label8->adjustSize();  // only the address itself is clickable
    y = Place(Label10, kLeftX, y);

    y = 22;
    y = Place(Label11, kRightX, y, 6);
    y = Place(Label12, kRightX, y);
    y = Place(Label13, kRightX, y, 4);
    y = Place(Label14, kRightX, y, 4);
    y = Place(Label15, kRightX, y, 4);
    y = Place(Label17, kRightX, y, 22);
    y = Place(Label16, kRightX, y, 6);
    y = Place(Label19, kRightX, y, 4);
    y = Place(Label20, kRightX, y, 14);
    y = Place(Label22, kRightX, y);
    y = Place(Label21, kRightX, y);
    // The shortcuts, under the general issues.
    auto* keys = new QLabel(WindowShortcuts::Help(), page);
    keys->setObjectName("lblKeyboard");
    y = Place(keys, kRightX, y);

    auto* line = new QFrame(page);
    line->setObjectName("Line1");
    line->setGeometry(539, 20, 1, 450);
    line->setAutoFillBackground(true);
    QPalette grey = line->palette();
    grey.setColor(QPalette::Window, QColor(160, 160, 160));
    line->setPalette(grey);

    Command1 = new QPushButton("Close", this);
    Command1->setObjectName("Command1");
    Command1->setFixedSize(120, 30);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->setSpacing(6);
    layout->addWidget(scroll, 1);
    layout->addWidget(Command1, 0, Qt::AlignHCenter);
    setMinimumSize(360, 240);
    FitScreen();

    connect(Command1, &QPushButton::clicked, this, &frmInfo::Command1_Click);
    connect(Label8, &LinkLabel::clicked, this, &frmInfo::Label8_Click);
}

void frmInfo::Command1_Click() {
    accept();
}

void frmInfo::Label8_Click() {
    ShellOpenOrSay(this, QUrl(SpeechDownloadAddress()));
}

void frmInfo::FitScreen() {
    const QWidget* over = parentWidget() ? parentWidget() : this;
    const QScreen* screen = over->screen();
    // Once shown, the window manager's frame takes its share of the screen.
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
    const QSize room = screen ? screen->availableGeometry().size() - frame : kDialogSize;
    resize((isVisible() ? size() : kDialogSize).boundedTo(room));
}

void frmInfo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FitScreen();
    if (ShownHook())
        QTimer::singleShot(0, this, [this] {
            if (ShownHook()) ShownHook()(this);
        });
}
