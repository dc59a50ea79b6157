#pragma once

#include "Settings.h"

// Every setting of a project, declared once: project-file key, default,
// range or choices, the window's label and control, and the report's name.
// The project file, vidmill-batch, the report and the window's controls all
// follow this table. To add a setting, add its line here and to kAll at the
// bottom, read it where it matters (settings.Get(setting::name)), and give it
// a control with that objectName if the window should show it.
namespace vm::setting {

// Limits the code elsewhere also needs.
constexpr int kMaxSecondsPerSlide = 32767;  // the timing plan holds 16-bit seconds
constexpr int kMaxMp4Crf = 51;
constexpr double kMinTransitionSeconds = 0.5;
constexpr double kMaxTransitionSeconds = 2.0;
constexpr double kMinSpeechRate = 0.7;
constexpr double kMaxSpeechRate = 1.5;
constexpr double kMaxDuckDb = 30.0;
constexpr int kMaxMotionStrength = 30;

// "#RRGGBB": empty when it is one, else what was expected.
QString ColourProblem(const QVariant& colour);
// A caption style's parts that differ from their table defaults (which are
// "classic"), by key; and the default of a part, from the project's style.
QVariantMap CaptionStyleParts(const QString& preset);
std::function<QVariant(const Settings&)> FromCaptionStyle(const char* key);

// "ten", "all" or one transition's xfade name: empty when it is one of them,
// else what was expected.
QString TransitionSetProblem(const QVariant& set);

// What is spoken.
inline const TextsSetting adCopies =
    Texts("adCopies", {"Enter your content here.", "", "", ""}).EmptyItems(4).Label("Ad copies")
        .Control("txtArticle_%1");
// The voice, by the description the voice list shows; the default is the
// machine's (the last English voice), filled in by MachineDefaults.
inline const TextSetting voice = Text("voice").Label("Voice").Control("List1");
inline const NumberSetting speechRate =
    Number("speechRate", 1.0, kMinSpeechRate, kMaxSpeechRate)
        .Label("Speech rate").Control("spnSpeechRate").Report();
inline const FlagSetting evenLoudness =
    Flag("evenLoudness", false).Label("Even loudness").Control("chkEvenLoudness").Report();

// What is shown.
inline const TextsSetting slides = Texts("slides").Path().Label("Slides").Control("lstTo");
inline const WholeSetting secondsPerSlide = Whole("secondsPerSlide", 3, 1, kMaxSecondsPerSlide)
                                                .Label("Seconds per slide").Control("cboSeconds");
inline const TextSetting whenNarrationIsLonger =
    Choice("whenNarrationIsLonger", "showLastImage", {"showLastImage", "repeatImages"})
        .Label("When the narration is longer").Control("cboImageAdjust");
inline const FlagSetting transitions =
    Flag("transitions", true).Label("Transitions").Control("chkTransitions");
inline const FlagSetting randomize =
    Flag("randomize", true).Label("Randomize").Control("chkRandomize");
inline const TextSetting transitionSet = Text("transitionSet", "ten")
                                             .Check(TransitionSetProblem)
                                             .Label("Transition set")
                                             .Control("cboTransitionSet")
                                             .Report();
inline const NumberSetting transitionSeconds =
    Number("transitionSeconds", 1.0, kMinTransitionSeconds, kMaxTransitionSeconds)
        .Label("Transition length").Control("spnTransitionSeconds").Report();
inline const FlagSetting motion =
    Flag("motion.enabled", false).Label("Slow zoom and pan").Control("chkMotion");
inline const WholeSetting motionStrength =
    Whole("motion.strength", 10, 1, kMaxMotionStrength)
        .Label("Motion strength").Control("spnMotionStrength").Report("motion")
        .ReportValue([](const Settings& s) {
            return QJsonValue(s.Get(motion) ? s.Get(motionStrength) : 0);
        });

// The file.
inline const TextSetting resolution =
    Choice("resolution", "480p", {"1080p", "720p", "480p", "360p", "240p"})
        .Label("Resolution").Control("cboResolution");
inline const TextSetting format =
    Choice("format", "avi", {"avi", "mp4"}).Label("Format").Control("cboFormat").Report();
inline const TextSetting compressor =
    Text("compressor").Label("Video compressor").Control("cboVideoCompressor");
inline const FlagSetting compression =
    Flag("compression", true).Label("Enable video compressor").Control("chkEnableVideoCompressor");
inline const WholeSetting mp4Crf = Whole("mp4Crf", 23, 0, kMaxMp4Crf).Label("MP4 quality (CRF)");
inline const TextSetting shape = Choice("shape", "landscape", {"landscape", "portrait", "square"})
                                     .Label("Shape").Control("cboShape");
inline const TextSetting fit =
    Choice("fit", "fit", {"fit", "blur", "fill"}).Label("Pictures").Control("cboFit").Report();
inline const TextSetting clipFill = Choice("clipFill", "freeze", {"freeze", "loop"})
                                        .Label("A clip shorter than its slide")
                                        .Control("cboClipFill").OmitDefault();
inline const TextSetting clipSound = Choice("clipSound", "off", {"off", "under"})
                                         .Label("Clip sound")
                                         .Control("cboClipSound").OmitDefault();

// The files beside each video.
inline const TextSetting captions =
    Choice("captions", "none", {"none", "srt", "burned", "both"})
        .Label("Captions").Control("cboCaptions").Report();
inline const FlagSetting highlightWords =
    Flag("highlightWords", false).Label("Highlight words").Control("chkHighlightWords").Report();
// How burned captions look: a named style, and the parts it sets. A project
// that leaves a part out gets its style's; like the brand's, these are
// written only when they differ from that.
inline const TextSetting captionStyle =
    Choice("captionStyle.preset", "classic",
           {"classic", "boldCentre", "boxedLowerThird", "oneWordAtATime"})
        .Label("Caption style")
        .Control("cboCaptionStyle")
        .OmitDefault();
inline const TextSetting captionFont = Text("captionStyle.font", "DejaVu Sans")
                                           .NonEmpty("a font's name")
                                           .Derived(FromCaptionStyle("captionStyle.font"))
                                           .Label("Caption font")
                                           .Control("cboCaptionFont")
                                           .OmitDefault();
// Percent of the frame's shorter side (its height, or a portrait frame's width).
inline const NumberSetting captionSize = Number("captionStyle.size", 5.5, 2, 20)
                                             .Derived(FromCaptionStyle("captionStyle.size"))
                                             .Label("Caption size")
                                             .Control("spnCaptionSize")
                                             .OmitDefault();
inline const TextSetting captionColour = Text("captionStyle.colour", "#FFFFFF")
                                             .Check(ColourProblem)
                                             .Derived(FromCaptionStyle("captionStyle.colour"))
                                             .Label("Caption colour")
                                             .Control("txtCaptionColour")
                                             .OmitDefault();
inline const TextSetting captionBackground =
    Choice("captionStyle.background", "outline", {"outline", "box"})
        .Derived(FromCaptionStyle("captionStyle.background"))
        .Label("Caption outline or box")
        .Control("cboCaptionBackground")
        .OmitDefault();
inline const TextSetting captionBackColour =
    Text("captionStyle.backColour", "#202020")
        .Check(ColourProblem)
        .Derived(FromCaptionStyle("captionStyle.backColour"))
        .Label("Outline or box colour")
        .Control("txtCaptionBackColour")
        .OmitDefault();
inline const WholeSetting captionBackOpacity =
    Whole("captionStyle.backOpacity", 100, 0, 100)
        .Derived(FromCaptionStyle("captionStyle.backOpacity"))
        .Label("Outline or box opacity")
        .Control("spnCaptionBackOpacity")
        .OmitDefault();
inline const TextSetting captionPlace =
    Choice("captionStyle.place", "bottom", {"bottom", "middle", "top"})
        .Derived(FromCaptionStyle("captionStyle.place"))
        .Label("Caption position")
        .Control("cboCaptionPlace")
        .OmitDefault();
// Percent of the frame height between the caption and the safe area's edge.
inline const NumberSetting captionMargin = Number("captionStyle.margin", 2.0, 0, 30)
                                               .Derived(FromCaptionStyle("captionStyle.margin"))
                                               .Label("Caption margin")
                                               .Control("spnCaptionMargin")
                                               .OmitDefault();
inline const FlagSetting captionUpperCase = Flag("captionStyle.upperCase", false)
                                                .Derived(FromCaptionStyle("captionStyle.upperCase"))
                                                .Label("Upper case")
                                                .Control("chkCaptionUpperCase")
                                                .OmitDefault();
// 0: lines of a cue as the SRT has them; 1 to 3: that many words at a time.
inline const WholeSetting captionWordsPerCue =
    Whole("captionStyle.wordsPerCue", 0, 0, 3)
        .Derived(FromCaptionStyle("captionStyle.wordsPerCue"))
        .Label("Words at a time")
        .Control("spnCaptionWords")
        .OmitDefault();
inline const TextSetting captionHighlight = Text("captionStyle.highlight", "#FFD700")
                                                .Check(ColourProblem)
                                                .Derived(FromCaptionStyle("captionStyle.highlight"))
                                                .Label("Highlight colour")
                                                .Control("txtCaptionHighlight")
                                                .OmitDefault();
inline const FlagSetting cover =
    Flag("cover.enabled", false).Label("Cover picture").Control("chkCover").Report("cover");
inline const WholeSetting coverSlide =
    Whole("cover.slide", 1, 1, 9999).Label("Cover slide").Control("spnCoverSlide");
inline const TextSetting titleTemplate =
    Text("titleTemplate").Label("Title").Control("txtTitleTemplate");
inline const TextSetting descriptionTemplate =
    Text("descriptionTemplate").Label("Description").Control("txtDescriptionTemplate");

// The brand: a logo on every frame, an intro before and an outro after
// every video (a video file, or a picture held for introSeconds). These,
// the clip settings and the table are written only when set, so projects
// saved before them are saved byte for byte as before.
inline const TextSetting logo = Text("logo").Path().Label("Logo").Control("lblLogo").OmitDefault();
inline const TextSetting logoCorner =
    Choice("logoCorner", "bottomRight", {"topLeft", "topRight", "bottomLeft", "bottomRight"})
        .Label("Logo corner").Control("cboLogoCorner").OmitDefault();
inline const WholeSetting logoWidth =
    Whole("logoWidth", 15, 1, 100).Label("Logo width (% of the frame)").Control("spnLogoWidth").OmitDefault();
inline const WholeSetting logoOpacity =
    Whole("logoOpacity", 100, 0, 100).Label("Logo opacity (%)").Control("spnLogoOpacity").OmitDefault();
inline const WholeSetting logoMargin =
    Whole("logoMargin", 3, 0, 25).Label("Logo margin (% of the width)").Control("spnLogoMargin").OmitDefault();
inline const FlagSetting logoOnCover =
    Flag("logoOnCover", false).Label("Logo on the cover").Control("chkLogoOnCover").OmitDefault();
inline const TextSetting intro = Text("intro").Path().Label("Intro").Control("lblIntro").OmitDefault();
inline const TextSetting outro = Text("outro").Path().Label("Outro").Control("lblOutro").OmitDefault();
inline const NumberSetting introSeconds =
    Number("introSeconds", 3.0, 0.5, 60)
        .Label("Picture intro and outro length (s)").Control("spnIntroSeconds").OmitDefault();

// The batch.
inline const TextsSetting keywords = Texts("keywords").Label("Keywords").Control("lstKeywords");
// A table of videos (RowTable.h): one row, one video, its cells overriding
// the settings above. Used instead of the keyword list when set.
inline const TextSetting rows = Text("rows").Path().Label("Video table").Control("lblRowsFile").OmitDefault();
// The video's name when there are no keywords.
inline const TextSetting outputName =
    Text("outputName", "myfile").NonEmpty("a file name that is not empty").Label("Video name").Control("txtFilename");
// Where the videos go: a folder, relative to the project file like the
// pictures; empty for the program's own output folder. vidmill-batch's
// --output goes before it.
inline const TextSetting output = Text("output").Path().OmitDefault().Label("Output folder");

// Background music.
inline const FlagSetting music =
    Flag("music.enabled", false).Label("Background music").Control("chkAddBackgroundMusic");
inline const TextSetting musicFile =
    Text("music.file").Path().Label("Music file").Control("lblSelectedMP3");
inline const FlagSetting musicReduceVolume =
    Flag("music.reduceVolume", false).Label("Reduce the music's volume").Control("chkNoCut");
inline const FlagSetting musicDuck =
    Flag("music.duck", false).Label("Lower the music under the voice").Control("chkDuckMusic");
inline const NumberSetting musicDuckDb =
    Number("music.duckDb", 12.0, 1, kMaxDuckDb)
        .Label("Music lowered by (dB)").Control("spnDuckDb").Report("musicDuckDb")
        .ReportValue([](const Settings& s) {
            return QJsonValue(s.Get(musicDuck) ? s.Get(musicDuckDb) : 0.0);
        });

// The table, in the order the project file's messages list the fields.
inline const SettingDef* const kAll[] = {
    &adCopies,
    &voice,
    &slides,
    &secondsPerSlide,
    &whenNarrationIsLonger,
    &transitions,
    &randomize,
    &resolution,
    &compressor,
    &compression,
    &keywords,
    &outputName,
    &music,
    &musicFile,
    &musicReduceVolume,
    &musicDuck,
    &musicDuckDb,
    &format,
    &mp4Crf,
    &shape,
    &fit,
    &captions,
    &highlightWords,
    &cover,
    &coverSlide,
    &titleTemplate,
    &descriptionTemplate,
    &motion,
    &motionStrength,
    &transitionSet,
    &transitionSeconds,
    &speechRate,
    &evenLoudness,
    &logo,
    &logoCorner,
    &logoWidth,
    &logoOpacity,
    &logoMargin,
    &logoOnCover,
    &intro,
    &outro,
    &introSeconds,
    &clipFill,
    &clipSound,
    &rows,
    &output,
    &captionStyle,
    &captionFont,
    &captionSize,
    &captionColour,
    &captionBackground,
    &captionBackColour,
    &captionBackOpacity,
    &captionPlace,
    &captionMargin,
    &captionUpperCase,
    &captionWordsPerCue,
    &captionHighlight,
};

}  // namespace vm::setting
