// The main window: its controls, their places, the start-up sequence and the
// switching between panels and ad-copy pages.
#include "frmVSL.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStorageInfo>
#include <QTextEdit>
#include <QTimer>

#include "AppFolder.h"
#include "AppPaths.h"
#include "Compressors.h"
#include "Controls.h"
#include "RenderTimeline.h"
#include "SpFileStream.h"
#include "SpVoice.h"

namespace {

constexpr int kClientWidth = 923;
constexpr int kClientHeight = 541;
const QRect kPanelRect(33, 111, 853, 412);
const QRect kArticleRect(54, 117, 541, 157);

const QString kTitle = "Vid Mill";
const QString kVersion = "2.5.5";

// Creates a widget of type T with the program's name as objectName.
template <typename T, typename... Args>
T* Make(QWidget* parent, const QString& name, Args&&... args) {
    T* w = new T(std::forward<Args>(args)..., parent);
    w->setObjectName(name);
    return w;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& r) {
    auto* l = Make<QLabel>(parent, name, text);
    l->setGeometry(r);
    return l;
}

LinkLabel* MakeLink(QWidget* parent, const QString& name, const QString& text, const QRect& r,
                    const QColor& color = QColor(0, 0, 238), bool bold = false) {
    auto* l = Make<LinkLabel>(parent, name, text);
    QFont f = l->font();
    f.setUnderline(true);
    f.setBold(bold);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
    l->setGeometry(r);
    return l;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, const QRect& r) {
    auto* b = Make<QPushButton>(parent, name, text);
    b->setGeometry(r);
    return b;
}

QComboBox* MakeCombo(QWidget* parent, const QString& name, const QRect& r) {
    auto* c = Make<QComboBox>(parent, name);
    c->setEditable(true);  // the program's combo boxes have an editable text part
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setGeometry(r);
    return c;
}

QCheckBox* MakeCheck(QWidget* parent, const QString& name, const QString& text, const QRect& r,
                     bool checked) {
    auto* c = Make<QCheckBox>(parent, name, text);
    c->setChecked(checked);
    c->setGeometry(r);
    return c;
}

void SetTextColor(QWidget* w, const QColor& color) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    w->setPalette(p);
}

void SetBold(QWidget* w, bool bold = true) {
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

// The three panel icons, drawn here so no picture files travel with the program.
enum class Icon { Speech, Picture, Film };

QPixmap DrawIcon(Icon kind) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(64, 64, 64);
    switch (kind) {
        case Icon::Speech: {  // a speech bubble
            QPainterPath bubble;
            bubble.addRoundedRect(QRectF(1.5, 1.5, 13, 9.5), 3, 3);
            QPolygonF tail({{4, 10}, {4, 14.5}, {8.5, 10}});
            bubble.addPolygon(tail);
            p.setPen(QPen(ink, 1.2));
            p.setBrush(QColor(120, 170, 230));
            p.drawPath(bubble.simplified());
            p.setPen(QPen(Qt::white, 1.2));
            p.drawLine(QPointF(4.5, 5), QPointF(11.5, 5));
            p.drawLine(QPointF(4.5, 7.5), QPointF(9.5, 7.5));
            break;
        }
        case Icon::Picture: {  // a framed landscape with a sun
            p.setPen(QPen(ink, 1));
            p.setBrush(QColor(190, 225, 250));
            p.drawRect(QRectF(1.5, 2.5, 13, 11));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(250, 200, 40));
            p.drawEllipse(QPointF(11, 6), 1.8, 1.8);
            p.setBrush(QColor(60, 150, 60));
            p.drawPolygon(QPolygonF({{2, 13}, {6.5, 7}, {10, 11}, {12, 9}, {14, 13}}));
            break;
        }
        case Icon::Film: {  // a film frame with a play triangle
            p.setPen(QPen(ink, 1));
            p.setBrush(QColor(70, 70, 70));
            p.drawRect(QRectF(1.5, 2.5, 13, 11));
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            for (int i = 0; i < 4; ++i) {
                p.drawRect(QRectF(3 + i * 3, 3.5, 1.5, 1.2));
                p.drawRect(QRectF(3 + i * 3, 11.3, 1.5, 1.2));
            }
            p.setBrush(QColor(230, 80, 60));
            p.drawPolygon(QPolygonF({{6.5, 5.8}, {6.5, 10.2}, {10.5, 8}}));
            break;
        }
    }
    return pm;
}

}  // namespace

QString DefaultCompressorName() {
    const Compressors& list = Compressors::Instance();
    return list.Count() > 0 ? list.Name(list.DefaultIndex()) : QString("MPEG-4 part 2");
}

frmVSL::frmVSL(QWidget* parent) : QMainWindow(parent) {
    BuildWindow();
    ConnectHandlers();
    Form_Load();
    BuildProjectControls();
    MakeStretchable();
    WatchForChanges();
}

// ---------------------------------------------------------------- layout

void frmVSL::BuildWindow() {
    setObjectName("frmVSL");
    auto* client = new QWidget(this);
    client->setObjectName("client");
    // One small font for the whole window: the geometry below is fixed in pixels.
    QFont base("DejaVu Sans");
    base.setPixelSize(11);
    client->setFont(base);
    setCentralWidget(client);
    // Laid out for its start-up size, which is also its smallest; it grows
    // (and maximises) from there.
    client->setMinimumSize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight);

    BuildHeader(client);

    for (int i = 0; i < 3; ++i) {
        static const char* captions[] = {"Text To Speech", "Images ", "Make Video "};
        frTab[i] = Make<QGroupBox>(client, QString("frTab_%1").arg(i), captions[i]);
        frTab[i]->setGeometry(kPanelRect);
    }
    BuildTextToSpeechPanel();
    BuildImagesPanel();
    BuildMakeVideoPanel();
    BuildHiddenControls();
}

void frmVSL::BuildHeader(QWidget* client) {
    Picture1 = Make<QWidget>(client, "Picture1");
    Picture1->setGeometry(0, 0, kClientWidth, 49);
    Picture1->setAutoFillBackground(true);
    QPalette bar = Picture1->palette();
    bar.setColor(QPalette::Window, QColor(64, 64, 64));
    Picture1->setPalette(bar);

    Label6 = MakeLabel(Picture1, "Label6", kTitle, QRect(14, 6, 300, 22));
    QFont title("Verdana");
    title.setPointSize(12);
    title.setBold(true);
    Label6->setFont(title);
    SetTextColor(Label6, Qt::white);

    Label9 = MakeLabel(Picture1, "Label9", QString(), QRect(14, 28, 400, 16));
    QFont subtitle("Verdana");
    subtitle.setPointSize(9);
    Label9->setFont(subtitle);
    SetTextColor(Label9, QColor(200, 200, 200));

    lblStatus = MakeLabel(Picture1, "lblStatus", QString(), QRect(330, 16, 555, 18));
    lblStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblStatus->setAttribute(Qt::WA_TranslucentBackground);
    SetTextColor(lblStatus, Qt::white);

    shRunning = Make<QFrame>(Picture1, "shRunning");
    shRunning->setGeometry(kClientWidth - 16 - 14, 16, 16, 16);
    shRunning->setAutoFillBackground(true);
    QPalette dot = shRunning->palette();
    dot.setColor(QPalette::Window, QColor(60, 220, 60));
    shRunning->setPalette(dot);
    shRunning->hide();

    // Panel strip.
    static const int lefts[] = {30, 183, 291};
    static const int widths[] = {142, 100, 124};
    static const char* captions[] = {"Text to Speech", "Images", "Make Videos"};
    static const char* iconNames[] = {"Image1", "Image2", "Image6"};
    static const Icon icons[] = {Icon::Speech, Icon::Picture, Icon::Film};
    QLabel** iconMembers[] = {&Image1, &Image2, &Image6};
    for (int i = 0; i < 3; ++i) {
        vMenu[i] = Make<Frame>(client, QString("vMenu_%1").arg(i));
        vMenu[i]->setGeometry(lefts[i], 54, widths[i], 37);
        QLabel* icon = Make<QLabel>(vMenu[i], iconNames[i]);
        icon->setGeometry(10, 11, 16, 16);
        icon->setPixmap(DrawIcon(icons[i]));
        *iconMembers[i] = icon;
        lblMenu[i] = Make<LinkLabel>(vMenu[i], QString("lblMenu_%1").arg(i), captions[i]);
        lblMenu[i]->setGeometry(31, 3, widths[i] - 34, 33);
        lblMenu[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

    cmdCreateDemoProject =
        MakeButton(client, "cmdCreateDemoProject", "Create Demo Project", QRect(726, 59, 160, 28));
    SetBold(cmdCreateDemoProject);
    cmdCreateDemoProject->setStyleSheet(
        "QPushButton { background-color: rgb(255, 255, 192); border: 1px solid rgb(160, 150, 90);"
        " border-radius: 3px; }"
        "QPushButton:hover { background-color: rgb(255, 250, 160); }"
        "QPushButton:pressed { background-color: rgb(240, 230, 140); }");

    // The help link sits just above the panels' right edge, so the strip keeps
    // room between the headers and the demo button for the project buttons.
    Label8 = MakeLink(client, "Label8", "Important: Please Read ", QRect(726, 92, 160, 18),
                      QColor(0, 0, 128), true);
    Label8->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void frmVSL::BuildTextToSpeechPanel() {
    QGroupBox* panel = frTab[0];

    Label1 = MakeLabel(panel, "Label1",
                       "Select an Installed Voice From The List:", QRect(20, 27, 230, 18));
    List1 = MakeCombo(panel, "List1", QRect(252, 24, 420, 24));
    Command2 = MakeButton(panel, "Command2", "Test Selected Voice", QRect(684, 22, 150, 28));

    Label2 = MakeLabel(panel, "Label2", "Enter Your Content Below:", QRect(54, 58, 180, 18));
    SetBold(Label2);
    Label20 = MakeLink(panel, "Label20", "Paste Content From Clipboard", QRect(337, 58, 170, 18));
    Label20->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label19 = MakeLink(panel, "Label19", "Delete Content", QRect(510, 58, 85, 18));
    Label19->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    static const int adLefts[] = {57, 153, 246, 339};
    for (int i = 0; i < 4; ++i) {
        vAdCopy[i] = Make<Frame>(panel, QString("vAdCopy_%1").arg(i));
        vAdCopy[i]->setGeometry(adLefts[i], 78, 88, 28);
        lblAdCopy[i] = Make<LinkLabel>(vAdCopy[i], QString("lblAdCopy_%1").arg(i),
                                       QString("Ad Copy %1").arg(i + 1));
        lblAdCopy[i]->setGeometry(2, 3, 84, 24);
        lblAdCopy[i]->setAlignment(Qt::AlignCenter);
    }
    Label31 = MakeLink(panel, "Label31", "Insert #KEYWORD# Tag", QRect(435, 86, 160, 18));
    Label31->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    for (int i = 0; i < 4; ++i) {
        txtArticle[i] = Make<QTextEdit>(panel, QString("txtArticle_%1").arg(i));
        txtArticle[i]->setGeometry(kArticleRect);
        // Only the plain text reaches the narration; keep pasted formatting out.
        txtArticle[i]->setAcceptRichText(false);
    }
    Label28 = MakeLabel(panel, "Label28", "Important: Each carriage return will cause a pause.",
                        QRect(54, 276, 541, 16));
    Label28->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SetTextColor(Label28, QColor(96, 96, 96));

    // Keyword column.
    Label29 = MakeLabel(panel, "Label29", "Keywords:", QRect(618, 82, 80, 18));
    SetBold(Label29);
    cmdKeywords = MakeButton(panel, "cmdKeywords", "Manage Keywords", QRect(704, 76, 130, 28));
    lstKeywords = Make<QListWidget>(panel, "lstKeywords");
    lstKeywords->setGeometry(618, 117, 216, 181);
    Label30 = MakeLabel(panel, "Label30",
                        "The software will create 1 video per keyword. To pass the keyword to the "
                        "video, you need to insert the #KEYWORD# tag in the ad copy.",
                        QRect(618, 304, 216, 58));
    Label30->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label30->setWordWrap(true);
    Label35 =
        MakeLabel(panel, "Label35", "We recommend you to work with up to 15 keywords per batch.",
                  QRect(618, 362, 216, 30));
    Label35->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label35->setWordWrap(true);
    SetTextColor(Label35, QColor(96, 96, 96));

    // The voice's pace and loudness.
    lblSpeechRate = MakeLabel(panel, "lblSpeechRate", "Speech Rate:", QRect(54, 300, 84, 18));
    spnSpeechRate = Make<QDoubleSpinBox>(panel, "spnSpeechRate");
    spnSpeechRate->setGeometry(140, 296, 76, 24);
    spnSpeechRate->setRange(vm::setting::kMinSpeechRate, vm::setting::kMaxSpeechRate);
    spnSpeechRate->setSingleStep(0.05);
    spnSpeechRate->setDecimals(2);
    spnSpeechRate->setSuffix(" x");
    spnSpeechRate->setValue(1.0);
    spnSpeechRate->setToolTip(
        "How fast the voice speaks: 1 is its own pace, 1.5 half again as "
        "fast, 0.7 slower.");
    chkEvenLoudness =
        MakeCheck(panel, "chkEvenLoudness", "Even loudness (every narration at -16 LUFS)",
                  QRect(234, 298, 361, 20), false);
    chkEvenLoudness->setToolTip(
        "Brings every narration to the same loudness, the usual level of web video, whichever "
        "voice speaks it.");

    // The background-music group under the ad copy.
    Frame1 = Make<QGroupBox>(panel, "Frame1", QString());
    Frame1->setGeometry(54, 324, 541, 84);
    chkAddBackgroundMusic = MakeCheck(Frame1, "chkAddBackgroundMusic", "Add Background Music (Mp3)",
                                      QRect(8, 6, 200, 20), false);
    cmdSelectMP3 = MakeButton(Frame1, "cmdSelectMP3", "Select MP3 File", QRect(210, 3, 116, 26));
    lblSelectedMP3 = Make<PathLabel>(Frame1, "lblSelectedMP3");
    lblSelectedMP3->setGeometry(334, 7, 199, 18);
    chkNoCut =
        MakeCheck(Frame1, "chkNoCut", "Automatically reduce the volume of the background music.",
                  QRect(8, 32, 380, 20), false);
    Label15 = MakeLink(Frame1, "Label15", "Please Read", QRect(392, 34, 90, 18));
    chkDuckMusic = MakeCheck(Frame1, "chkDuckMusic", "Lower the music while the voice speaks by",
                             QRect(8, 57, 290, 20), false);
    chkDuckMusic->setToolTip(
        "The music steps back under the voice and comes back in its pauses; it also fades in "
        "at the start and out at the end.");
    spnDuckDb = Make<QDoubleSpinBox>(Frame1, "spnDuckDb");
    spnDuckDb->setGeometry(300, 55, 76, 24);
    spnDuckDb->setRange(1, vm::setting::kMaxDuckDb);
    spnDuckDb->setDecimals(0);
    spnDuckDb->setSuffix(" dB");
    spnDuckDb->setValue(vm::setting::musicDuckDb.fallback.toDouble());
}

void frmVSL::BuildImagesPanel() {
    QGroupBox* panel = frTab[1];

    Label3 =
        MakeLabel(panel, "Label3", "Select Some Images For Your Video:", QRect(20, 24, 240, 18));
    SetBold(Label3);

    // Column 1: drive and folder.
    Drive1 = Make<QComboBox>(panel, "Drive1");
    Drive1->setGeometry(20, 46, 200, 24);
    lblFolderPath = Make<PathLabel>(panel, "lblFolderPath");
    lblFolderPath->setGeometry(20, 74, 200, 18);
    Dir1 = Make<DirList>(panel, "Dir1");
    Dir1->setGeometry(20, 94, 200, 150);
    Label27 = MakeLink(panel, "Label27", "Use Images From Gallery", QRect(20, 252, 200, 18));
    Label22 =
        MakeLink(panel, "Label22", "Paste Folder Path From Clipboard", QRect(20, 274, 200, 18));

    // Column 2: the images of the folder.
    lstFrom = Make<DragList>(panel, "lstFrom");
    lstFrom->setGeometry(232, 46, 200, 198);
    Command3 = MakeButton(panel, "Command3", "Add Select Image", QRect(232, 250, 200, 26));
    Command6 = MakeButton(panel, "Command6", "Add All the Images", QRect(232, 280, 200, 26));

    // Column 3: the slide list.
    Label11 = MakeLabel(panel, "Label11", "Selected Images:", QRect(446, 24, 200, 18));
    SetBold(Label11);
    lstTo = Make<SlideList>(panel, "lstTo");
    lstTo->setGeometry(446, 46, 200, 198);
    Command4 = MakeButton(panel, "Command4", "Remove Selected Image", QRect(446, 250, 200, 26));
    Label14 = MakeLabel(panel, "Label14", "Image Count:", QRect(446, 284, 80, 18));
    lblImagesCount = MakeLabel(panel, "lblImagesCount", "0", QRect(528, 284, 36, 18));
    SetBold(lblImagesCount);
    cmdRemoveAllImages =
        MakeButton(panel, "cmdRemoveAllImages", "Remove All", QRect(566, 280, 80, 26));

    // Column 4: the preview.
    Label10 = MakeLabel(panel, "Label10", "Image Preview:", QRect(660, 24, 175, 18));
    SetBold(Label10);
    ImagePreview = Make<QLabel>(panel, "ImagePreview");
    ImagePreview->setGeometry(660, 46, 175, 132);
    ImagePreview->setFrameShape(QFrame::StyledPanel);
    ImagePreview->setAlignment(Qt::AlignCenter);
    ImagePreview->installEventFilter(this);
    // The picture's full path under the preview.
    lblPreviewPath = Make<PathLabel>(panel, "lblPreviewPath");
    lblPreviewPath->setGeometry(660, 182, 175, 18);

    // Timing options along the bottom.
    Label12 = MakeLabel(panel, "Label12", "Seconds Per Slide (Image):", QRect(20, 326, 170, 18));
    cboSeconds = MakeCombo(panel, "cboSeconds", QRect(192, 322, 60, 24));
    Label13 =
        MakeLabel(panel, "Label13",
                  "If the lenght of the audio is longer that the lenght of the images do this:",
                  QRect(20, 354, 420, 18));
    cboImageAdjust = MakeCombo(panel, "cboImageAdjust", QRect(20, 374, 300, 24));
    chkTransitions = MakeCheck(panel, "chkTransitions", "Apply Random Transitions to Each Slide",
                               QRect(446, 324, 250, 20), true);
    chkRandomize =
        MakeCheck(panel, "chkRandomize", "Randomize on Each Video", QRect(446, 350, 200, 20), true);
    cboTransitionSet = Make<QComboBox>(panel, "cboTransitionSet");
    cboTransitionSet->setGeometry(446, 376, 200, 24);
    cboTransitionSet->addItem("The classic ten", "ten");
    cboTransitionSet->addItem("All transitions", "all");
    for (const std::string& name : vm::TransitionNames())
        cboTransitionSet->addItem("Only " + QString::fromStdString(name),
                                  QString::fromStdString(name));
    cboTransitionSet->setToolTip("Which transitions the random choice draws from.");
    lblTransitionSeconds =
        MakeLabel(panel, "lblTransitionSeconds", "Length:", QRect(660, 380, 50, 18));
    spnTransitionSeconds = Make<QDoubleSpinBox>(panel, "spnTransitionSeconds");
    spnTransitionSeconds->setGeometry(712, 376, 76, 24);
    spnTransitionSeconds->setRange(vm::setting::kMinTransitionSeconds, vm::setting::kMaxTransitionSeconds);
    spnTransitionSeconds->setSingleStep(0.25);
    spnTransitionSeconds->setDecimals(2);
    spnTransitionSeconds->setSuffix(" s");
    spnTransitionSeconds->setValue(1.0);

    // Motion, under the preview.
    chkMotion = MakeCheck(panel, "chkMotion", "Slow zoom and pan", QRect(660, 212, 175, 20), false);
    chkMotion->setToolTip(
        "Each slide slowly zooms in, zooms out or pans, the way chosen at random for each slide.");
    lblMotionStrength = MakeLabel(panel, "lblMotionStrength", "Strength:", QRect(676, 240, 60, 18));
    spnMotionStrength = Make<QSpinBox>(panel, "spnMotionStrength");
    spnMotionStrength->setGeometry(738, 236, 76, 24);
    spnMotionStrength->setRange(1, vm::setting::kMaxMotionStrength);
    spnMotionStrength->setSuffix(" %");
    spnMotionStrength->setValue(vm::setting::motionStrength.fallback.toInt());
    spnMotionStrength->setToolTip("How far a slide zooms or pans over its time on screen.");

    // The current drive and folder, as the lists show them when the window
    // opens. Filled before the handlers are connected: browsing starts when the
    // user picks a folder.
    const QString current = QDir::currentPath();
    const QString currentRoot = QStorageInfo(current).rootPath();
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && !roots.contains(volume.rootPath())) roots << volume.rootPath();
    roots.sort();
    if (!roots.contains(currentRoot) && !currentRoot.isEmpty()) roots.prepend(currentRoot);
    Drive1->addItems(roots);
    Drive1->setCurrentIndex(roots.indexOf(currentRoot));
    Dir1->setPath(current);
    lblFolderPath->SetPath(current);
}

void frmVSL::BuildMakeVideoPanel() {
    QGroupBox* panel = frTab[2];

    // Left: settings.
    Label16 = MakeLabel(panel, "Label16", "Resolution:", QRect(20, 32, 120, 18));
    SetBold(Label16);
    cboResolution = MakeCombo(panel, "cboResolution", QRect(142, 28, 150, 24));
    Label17 = MakeLabel(panel, "Label17", "Video Compressor:", QRect(20, 68, 120, 18));
    SetBold(Label17);
    chkEnableVideoCompressor = MakeCheck(panel, "chkEnableVideoCompressor",
                                         "Enable Video Compressor", QRect(142, 67, 250, 20), true);
    cboVideoCompressor = MakeCombo(panel, "cboVideoCompressor", QRect(142, 92, 260, 24));
    Command5 = MakeButton(panel, "Command5", "Compressor Settings", QRect(142, 122, 150, 26));
    Label18 = MakeLink(panel, "Label18", "?", QRect(300, 126, 16, 18), QColor(0, 0, 128), true);

    BuildUploadGroup(panel);

    // The tinted tips box, under the playback help on the right.
    Shape1 = Make<QFrame>(panel, "Shape1");
    Shape1->setGeometry(450, 290, 384, 116);
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setAutoFillBackground(true);
    QPalette tint = Shape1->palette();
    tint.setColor(QPalette::Window, QColor(232, 242, 255));
    tint.setColor(QPalette::WindowText, QColor(150, 175, 210));
    Shape1->setPalette(tint);
    Label23 =
        MakeLabel(panel, "Label23", "Tips to Create Smaller Videos:", QRect(460, 295, 366, 16));
    SetBold(Label23);
    Label24 =
        MakeLabel(panel, "Label24",
                  "- Use Small Images. We recommend you to use images with a filesize below 1 "
                  "Megabyte.",
                  QRect(460, 313, 366, 28));
    Label25 = MakeLabel(panel, "Label25",
                        "- Use a Video Compressor (we recommend you to use \"" +
                            DefaultCompressorName() + "\" but of course, you may use another one).",
                        QRect(460, 343, 366, 28));
    Label26 = MakeLabel(panel, "Label26",
                        "- If you don't need HD videos, don't use it (720p or 480p may be fine for "
                        "many projects).",
                        QRect(460, 373, 366, 28));
    for (QLabel* l : {Label24, Label25, Label26}) l->setWordWrap(true);

    // Right: run, progress, output and playback help.
    Command1 = MakeButton(panel, "Command1", "Make Videos!", QRect(450, 26, 290, 46));
    QFont big = Command1->font();
    big.setPixelSize(15);
    big.setBold(true);
    Command1->setFont(big);
    cmdStop = MakeButton(panel, "cmdStop", "Stop", QRect(746, 26, 88, 46));
    cmdStop->setEnabled(false);
    prgRender = Make<QProgressBar>(panel, "prgRender");
    prgRender->setGeometry(450, 80, 384, 20);
    prgRender->setRange(0, 100);
    prgRender->setValue(0);
    prgRender->setTextVisible(true);
    cmdOpenOutputFolder =
        MakeButton(panel, "cmdOpenOutputFolder", "Open Target Folder", QRect(450, 106, 384, 28));
    lblOutputFolder = Make<PathLabel>(panel, "lblOutputFolder");
    lblOutputFolder->setGeometry(450, 138, 384, 18);

    Label7 = MakeLabel(panel, "Label7", "Do You Have Problems to See the Generated Videos?",
                       QRect(450, 172, 384, 18));
    SetBold(Label7);
    Label32 = MakeLabel(panel, "Label32",
                        "If your player shows videos with sound but no images, then there's a "
                        "missing codec in your pc but everything will work fine on YouTube etc.",
                        QRect(450, 194, 384, 44));
    Label32->setWordWrap(true);
    Label33 =
        MakeLabel(panel, "Label33", "To fix this, please try with another player like VLC (free).",
                  QRect(450, 242, 384, 18));
    Label34 = MakeLink(panel, "Label34", "Click here to go to the VLC web site.",
                       QRect(450, 264, 384, 18));
}

void frmVSL::BuildUploadGroup(QGroupBox* panel) {
    grpUpload = Make<QGroupBox>(panel, "grpUpload", "For Upload");
    grpUpload->setGeometry(20, 176, 414, 230);
    auto* form = new QFormLayout(grpUpload);
    form->setContentsMargins(10, 6, 10, 6);
    form->setVerticalSpacing(3);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto combo = [&](const char* name, const QString& label, const QStringList& items) {
        auto* box = Make<QComboBox>(grpUpload, name);
        box->addItems(items);
        form->addRow(label, box);
        return box;
    };
    cboFormat = combo("cboFormat", "Format:", {"AVI", "MP4 (H.264 + AAC)"});
    cboFormat->setToolTip(
        "MP4 plays everywhere and is what video sites ask for; AVI is made with the compressor "
        "chosen above.");
    cboShape = combo("cboShape", "Shape:", {"Landscape 16:9", "Portrait 9:16", "Square 1:1"});
    cboShape->setToolTip("Portrait is for phone feeds: 1080p portrait is 1080 x 1920.");
    cboFit = combo("cboFit", "Pictures:", {"Fit", "Fit on a blurred copy", "Fill"});
    cboFit->setToolTip(
        "How a picture of another shape fills the frame: whole on black, whole on a blurred "
        "copy of itself, or cut to fill it.");

    auto* captions = new QWidget(grpUpload);
    auto* captionsRow = new QHBoxLayout(captions);
    captionsRow->setContentsMargins(0, 0, 0, 0);
    cboCaptions = Make<QComboBox>(captions, "cboCaptions");
    cboCaptions->addItems({"None", "SRT file", "Burned in", "SRT file and burned in"});
    cboCaptions->setToolTip(
        "Captions of the narration, timed by the voice: an SRT file beside each video, burned "
        "into the picture, or both.");
    chkHighlightWords = Make<QCheckBox>(captions, "chkHighlightWords", "Highlight words");
    chkHighlightWords->setToolTip("Burned-in captions colour the word being spoken.");
    captionsRow->addWidget(cboCaptions, 1);
    captionsRow->addWidget(chkHighlightWords);
    form->addRow("Captions:", captions);

    auto* cover = new QWidget(grpUpload);
    auto* coverRow = new QHBoxLayout(cover);
    coverRow->setContentsMargins(0, 0, 0, 0);
    chkCover = Make<QCheckBox>(cover, "chkCover", "Cover picture from slide");
    chkCover->setToolTip(
        "A JPEG beside each video (1280 x 720, or turned like the video) showing this slide "
        "with the keyword as a large headline.");
    spnCoverSlide = Make<QSpinBox>(cover, "spnCoverSlide");
    spnCoverSlide->setRange(1, 9999);
    coverRow->addWidget(chkCover);
    coverRow->addWidget(spnCoverSlide);
    coverRow->addStretch(1);
    form->addRow("Cover:", cover);

    txtTitleTemplate = Make<QLineEdit>(grpUpload, "txtTitleTemplate");
    txtTitleTemplate->setPlaceholderText("#KEYWORD# - call us today");
    form->addRow("Title:", txtTitleTemplate);
    txtDescriptionTemplate = Make<QPlainTextEdit>(grpUpload, "txtDescriptionTemplate");
    txtDescriptionTemplate->setPlaceholderText("Everything about #KEYWORD# ...");
    txtDescriptionTemplate->setToolTip(
        "With a title or a description, a text file beside each video holds the title, a "
        "blank line and the description, the keyword put in for #KEYWORD#.");
    txtDescriptionTemplate->setTabChangesFocus(true);
    form->addRow("Description:", txtDescriptionTemplate);
}

void frmVSL::UpdateUploadControls() {
    const bool mp4 = cboFormat->currentIndex() == 1;
    chkEnableVideoCompressor->setEnabled(!mp4);
    cboVideoCompressor->setEnabled(!mp4);
    const QString why =
        mp4 ? "MP4 videos are H.264; \"Compressor Settings\" sets their quality." : QString();
    chkEnableVideoCompressor->setToolTip(why);
    cboVideoCompressor->setToolTip(why);
    chkHighlightWords->setEnabled(cboCaptions->currentIndex() >= 2);
    spnCoverSlide->setEnabled(chkCover->isChecked());
    spnMotionStrength->setEnabled(chkMotion->isChecked());
    cboTransitionSet->setEnabled(chkTransitions->isChecked());
    spnTransitionSeconds->setEnabled(chkTransitions->isChecked());
    spnDuckDb->setEnabled(chkDuckMusic->isChecked());
}

void frmVSL::MakeStretchable() {
    auto* client = new Stretcher(centralWidget(), QSize(kClientWidth, kClientHeight));
    client->Add(Picture1, {0, 0, 1, 0});
    for (QWidget* right : std::initializer_list<QWidget*>{cmdCreateDemoProject, cmdSaveProject,
                                                          cmdOpenProject, Label8})
        client->Add(right, {1, 0, 0, 0});
    for (QGroupBox* panel : frTab) client->Add(panel, {0, 0, 1, 1});
    auto* header = new Stretcher(Picture1, QSize(kClientWidth, 49));
    header->Add(lblStatus, {0, 0, 1, 0});
    header->Add(shRunning, {1, 0, 0, 0});

    // Text to speech: the editor grows both ways, the keyword list downwards.
    auto* text = new Stretcher(frTab[0], kPanelRect.size());
    text->Add(List1, {0, 0, 1, 0});
    for (QWidget* w :
         std::initializer_list<QWidget*>{Command2, Label20, Label19, Label31, Label29, cmdKeywords})
        text->Add(w, {1, 0, 0, 0});
    for (QTextEdit* page : txtArticle) text->Add(page, {0, 0, 1, 1});
    text->Add(Label28, {0, 1, 1, 0});
    for (QWidget* w :
         std::initializer_list<QWidget*>{lblSpeechRate, spnSpeechRate, chkEvenLoudness})
        text->Add(w, {0, 1, 0, 0});
    text->Add(Frame1, {0, 1, 1, 0});
    auto* music = new Stretcher(Frame1, Frame1->size());
    music->Add(lblSelectedMP3, {0, 0, 1, 0});
    text->Add(lstKeywords, {1, 0, 0, 1});
    text->Add(Label30, {1, 1, 0, 0});
    text->Add(Label35, {1, 1, 0, 0});

    // Images: the four columns share the width; the lists and the preview
    // grow downwards, what stands below them moves down.
    auto* images = new Stretcher(frTab[1], kPanelRect.size());
    const double q = 0.25;
    images->Add(Drive1, {0, 0, q, 0});
    images->Add(lblFolderPath, {0, 0, q, 0});
    images->Add(Dir1, {0, 0, q, 1});
    images->Add(Label27, {0, 1, q, 0});
    images->Add(Label22, {0, 1, q, 0});
    images->Add(lstFrom, {q, 0, q, 1});
    images->Add(Command3, {q, 1, q, 0});
    images->Add(Command6, {q, 1, q, 0});
    images->Add(Label11, {2 * q, 0, 0, 0});
    images->Add(lstTo, {2 * q, 0, q, 1});
    images->Add(Command4, {2 * q, 1, q, 0});
    images->Add(Label14, {2 * q, 1, 0, 0});
    images->Add(lblImagesCount, {2 * q, 1, 0, 0});
    images->Add(cmdRemoveAllImages, {3 * q, 1, 0, 0});
    images->Add(Label10, {3 * q, 0, 0, 0});
    images->Add(ImagePreview, {3 * q, 0, q, 1});
    images->Add(lblPreviewPath, {3 * q, 1, q, 0});
    for (QWidget* w : std::initializer_list<QWidget*>{Label12, cboSeconds, Label13, cboImageAdjust})
        images->Add(w, {0, 1, 0, 0});
    for (QWidget* w :
         std::initializer_list<QWidget*>{chkTransitions, chkRandomize, cboTransitionSet})
        images->Add(w, {2 * q, 1, 0, 0});
    for (QWidget* w :
         std::initializer_list<QWidget*>{lblTransitionSeconds, spnTransitionSeconds, chkMotion,
                                         lblMotionStrength, spnMotionStrength})
        images->Add(w, {3 * q, 1, 0, 0});

    // Make video: the right-hand column takes the width.
    auto* make = new Stretcher(frTab[2], kPanelRect.size());
    make->Add(cmdStop, {1, 0, 0, 0});
    for (QWidget* w : std::initializer_list<QWidget*>{
             Command1, prgRender, cmdOpenOutputFolder, lblOutputFolder, Label7, Label32, Label33,
             Label34, Shape1, Label23, Label24, Label25, Label26})
        make->Add(w, {0, 0, 1, 0});
}

void frmVSL::BuildHiddenControls() {
    QWidget* client = centralWidget();
    auto hide = [](QWidget* w) {
        w->setGeometry(0, kClientHeight + 40, 10, 10);
        w->hide();
    };
    txtFilename = Make<QLineEdit>(client, "txtFilename", "myfile");
    lstAdCopies = Make<QListWidget>(client, "lstAdCopies");
    txtArticle_old = Make<QPlainTextEdit>(client, "txtArticle_old");
    txtArticleFinal = Make<QPlainTextEdit>(client, "txtArticleFinal");
    lstTmpImages = Make<QListWidget>(client, "lstTmpImages");
    txtCommand = Make<QPlainTextEdit>(client, "txtCommand");
    lblStatusIndividual = Make<QLabel>(client, "lblStatusIndividual");
    File1 = Make<FileList>(client, "File1", QString("*.jpg;*.gif"));
    fileWav = Make<FileList>(client, "fileWav", QString("*.wav"));
    for (QWidget* w : std::initializer_list<QWidget*>{
             txtFilename, lstAdCopies, txtArticle_old, txtArticleFinal, lstTmpImages, txtCommand,
             lblStatusIndividual, File1, fileWav})
        hide(w);
    File1->setPath(QDir::currentPath());
    fileWav->setPath(QDir::currentPath());

    tmrShRunning = new QTimer(this);
    tmrShRunning->setObjectName("tmrShRunning");
    tmrShRunning->setInterval(200);
    tmrCountdown = new QTimer(this);
    tmrCountdown->setObjectName("tmrCountdown");
    tmrCountdown->setInterval(1000);

    mnuKeywords = new QMenu(this);
    mnuKeywords->setObjectName("mnuKeywords");
    mnuEditKeywords = mnuKeywords->addAction("Edit");
    mnuEditKeywords->setObjectName("mnuEditKeywords");
    mnuDeleteAllKeywords = mnuKeywords->addAction("Delete All");
    mnuDeleteAllKeywords->setObjectName("mnuDeleteAllKeywords");
    mnuCancelKeywords = mnuKeywords->addAction("Cancel");  // only closes the menu
    mnuCancelKeywords->setObjectName("mnuCancelKeywords");
}

void frmVSL::ConnectHandlers() {
    for (int i = 0; i < 3; ++i)
        connect(lblMenu[i], &LinkLabel::clicked, this, [this, i] { lblMenu_Click(i); });
    for (int i = 0; i < 4; ++i)
        connect(lblAdCopy[i], &LinkLabel::clicked, this, [this, i] { lblAdCopy_Click(i); });

    // help, tips, links
    connect(Label8, &LinkLabel::clicked, this, &frmVSL::Label8_Click);
    connect(Label34, &LinkLabel::clicked, this, &frmVSL::Label34_Click);
    connect(Label18, &LinkLabel::clicked, this, &frmVSL::Label18_Click);
    connect(Label15, &LinkLabel::clicked, this, &frmVSL::Label15_Click);
    connect(cmdOpenOutputFolder, &QPushButton::clicked, this, &frmVSL::cmdOpenOutputFolder_Click);
    connect(Command5, &QPushButton::clicked, this, &frmVSL::Command5_Click);
    connect(cboFormat, &QComboBox::currentIndexChanged, this, &frmVSL::UpdateUploadControls);
    connect(cboCaptions, &QComboBox::currentIndexChanged, this, &frmVSL::UpdateUploadControls);
    for (QCheckBox* box : {chkCover, chkMotion, chkTransitions, chkDuckMusic})
        connect(box, &QCheckBox::toggled, this, &frmVSL::UpdateUploadControls);

    // ad copies and voices
    connect(Label19, &LinkLabel::clicked, this, &frmVSL::Label19_Click);
    connect(Label20, &LinkLabel::clicked, this, &frmVSL::Label20_Click);
    connect(Label31, &LinkLabel::clicked, this, &frmVSL::Label31_Click);
    connect(Command2, &QPushButton::clicked, this, &frmVSL::Command2_Click);

    // image browsing and the slide list
    connect(Drive1, &QComboBox::currentIndexChanged, this, [this](int) { Drive1_Change(); });
    connect(Dir1, &DirList::Change, this, &frmVSL::Dir1_Change);
    connect(lstFrom, &QListWidget::itemClicked, this,
            [this](QListWidgetItem*) { lstFrom_Click(); });
    connect(lstFrom, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem*) { lstFrom_DblClick(); });
    lstFrom->onDrop = [this](const QString& data) { lstFrom_OLEDragDrop(data); };
    connect(Label22, &LinkLabel::clicked, this, &frmVSL::Label22_Click);
    connect(Label27, &LinkLabel::clicked, this, &frmVSL::Label27_Click);
    connect(Command3, &QPushButton::clicked, this, &frmVSL::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmVSL::Command4_Click);
    connect(Command6, &QPushButton::clicked, this, &frmVSL::Command6_Click);
    connect(lstTo, &QListWidget::itemClicked, this, [this](QListWidgetItem*) { lstTo_Click(); });
    connect(lstTo, &QListWidget::currentRowChanged, this, [this] { lstTo_CurrentChanged(); });
    connect(lstTo, &SlideList::deletePressed, this, &frmVSL::Command4_Click);
    connect(lstTo, &SlideList::moved, this, &frmVSL::lstTo_Moved);
    connect(cmdRemoveAllImages, &QPushButton::clicked, this, &frmVSL::cmdRemoveAllImages_Click);
    lstTo->onDrop = [this](const QString& data) { lstTo_OLEDragDrop(data); };

    // keywords
    connect(cmdKeywords, &QPushButton::clicked, this, &frmVSL::cmdKeywords_Click);
    connect(mnuEditKeywords, &QAction::triggered, this, &frmVSL::mnuEditKeywords_Click);
    connect(mnuDeleteAllKeywords, &QAction::triggered, this, &frmVSL::mnuDeleteAllKeywords_Click);

    // production
    connect(Command1, &QPushButton::clicked, this, &frmVSL::Command1_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmVSL::cmdStop_Click);

    // run control
    connect(tmrCountdown, &QTimer::timeout, this, &frmVSL::tmrCountdown_Timer);
    connect(tmrShRunning, &QTimer::timeout, this, &frmVSL::tmrShRunning_Timer);
    connect(cmdSelectMP3, &QPushButton::clicked, this, &frmVSL::cmdSelectMP3_Click);
    connect(chkAddBackgroundMusic, &QCheckBox::clicked, this, &frmVSL::chkAddBackgroundMusic_Click);

    // demo
    connect(cmdCreateDemoProject, &QPushButton::clicked, this, &frmVSL::cmdCreateDemoProject_Click);
}

// ---------------------------------------------------------------- start-up

void frmVSL::Form_Load() {
    // 1. Ad-copy page 0 first.
    ShowAdCopy(0);

    // 2. Title pieces.
    const QString title = kTitle;
    const QString subtitle;
    const QString version = kVersion;

    // 3. The timing plan starts empty.
    iAudioLength = 0;
    iSlidesLength = 0;
    iVideoLength = 0;
    iMusicLength = 0;
    iMusicCutLength = 0;

    // 4. The music tool; its existence matters only when music is made.
    sFfmpegPath = FindFfmpeg(vm::AppFolder());

    // 5. The video-editing instances are not widgets here, so they can never
    //    be seen and need no moving out of the way.

    // 6.
    cboImageAdjust->clear();
    cboImageAdjust->addItem("Show the last image until the audio ends");
    cboImageAdjust->addItem("Show the images again until the audio ends");
    cboImageAdjust->setCurrentIndex(0);

    // 7.
    chkTransitions->setChecked(true);

    // 8. Pages 1 to 3 lie exactly on page 0 and start empty.
    for (int i = 1; i < 4; ++i) {
        txtArticle[i]->setGeometry(txtArticle[0]->geometry());
        txtArticle[i]->clear();
    }

    // 9.
    cboResolution->clear();
    cboResolution->addItems({"1080p (HD)", "720p", "480p", "360p", "240p"});
    cboResolution->setCurrentIndex(2);

    // 10. The last "Microsoft Video" compressor is the default, else the first.
    //     An empty list leaves the box empty; "Make Videos!" then asks for a
    //     compressor unless compression is switched off.
    cboVideoCompressor->clear();
    const Compressors& compressors = Compressors::Instance();
    for (int i = 0; i < compressors.Count(); ++i) cboVideoCompressor->addItem(compressors.Name(i));
    if (cboVideoCompressor->count() > 0)
        cboVideoCompressor->setCurrentIndex(compressors.DefaultIndex());

    // 11.
    cboSeconds->clear();
    cboSeconds->addItems({"3", "4", "5"});
    cboSeconds->setCurrentIndex(0);

    // 12. The three panels share one rectangle.
    frTab[0]->setGeometry(kPanelRect);
    for (int i = 1; i < 3; ++i) frTab[i]->setGeometry(frTab[0]->geometry());

    // 13.
    ShowPanel(0);

    // 14. Both lists take dropped text.
    lstFrom->setAcceptDrops(true);
    lstTo->setAcceptDrops(true);

    // 15.
    setWindowTitle(title + " v" + version);
    baseTitle_ = windowTitle();
    Label6->setText(title);
    Label9->setText(subtitle);

    // 16. Speech: without the speech objects neither the placeholder text nor
    //     the voices are set.
    bool speechOk = CreateSpeechObjects();
    if (speechOk) {
        txtArticle[0]->setPlainText("Enter your content here.");
        speechOk = FillVoiceList();
    }
    // 17.
    if (!speechOk) VoiceNotSupported();

    lblOutputFolder->SetPath("Videos go to " + vm::OutputFolder());
    UpdateUploadControls();
}

// ---------------------------------------------------------------- navigation

void frmVSL::ShowPanel(int Index) {
    if (Index < 0 || Index > 2) return;
    for (int i = 0; i < 3; ++i) vMenu[i]->setNotSelected(i != Index);
    for (int i = 0; i < 3; ++i) frTab[i]->setVisible(i == Index);
}

void frmVSL::ShowAdCopy(int Index) {
    if (Index < 0 || Index > 3) return;
    for (int i = 0; i < 4; ++i) vAdCopy[i]->setNotSelected(i != Index);
    for (int i = 0; i < 4; ++i) txtArticle[i]->setVisible(i == Index);
}

void frmVSL::lblMenu_Click(int Index) {
    ShowPanel(Index);
}

void frmVSL::lblAdCopy_Click(int Index) {
    ShowAdCopy(Index);
}
