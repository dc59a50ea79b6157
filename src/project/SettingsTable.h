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

// The files beside each video.
inline const TextSetting captions =
    Choice("captions", "none", {"none", "srt", "burned", "both"})
        .Label("Captions").Control("cboCaptions").Report();
inline const FlagSetting highlightWords =
    Flag("highlightWords", false).Label("Highlight words").Control("chkHighlightWords").Report();
// How burned captions look: a named style, and the parts it sets. A project
// that leaves a part out gets its style's.
inline const TextSetting captionStyle =
    Choice("captionStyle.preset", "classic",
           {"classic", "boldCentre", "boxedLowerThird", "oneWordAtATime"})
        .Label("Caption style").Control("cboCaptionStyle");
inline const TextSetting captionFont = Text("captionStyle.font", "DejaVu Sans")
                                           .NonEmpty("a font's name")
                                           .Derived(FromCaptionStyle("captionStyle.font"))
                                           .Label("Caption font").Control("cboCaptionFont");
// Percent of the frame's shorter side (its height, or a portrait frame's width).
inline const NumberSetting captionSize = Number("captionStyle.size", 5.5, 2, 20)
                                             .Derived(FromCaptionStyle("captionStyle.size"))
                                             .Label("Caption size").Control("spnCaptionSize");
inline const TextSetting captionColour = Text("captionStyle.colour", "#FFFFFF")
                                             .Check(ColourProblem)
                                             .Derived(FromCaptionStyle("captionStyle.colour"))
                                             .Label("Caption colour").Control("txtCaptionColour");
inline const TextSetting captionBackground =
    Choice("captionStyle.background", "outline", {"outline", "box"})
        .Derived(FromCaptionStyle("captionStyle.background"))
        .Label("Caption outline or box").Control("cboCaptionBackground");
inline const TextSetting captionBackColour =
    Text("captionStyle.backColour", "#202020")
        .Check(ColourProblem)
        .Derived(FromCaptionStyle("captionStyle.backColour"))
        .Label("Outline or box colour").Control("txtCaptionBackColour");
inline const WholeSetting captionBackOpacity =
    Whole("captionStyle.backOpacity", 100, 0, 100)
        .Derived(FromCaptionStyle("captionStyle.backOpacity"))
        .Label("Outline or box opacity").Control("spnCaptionBackOpacity");
inline const TextSetting captionPlace =
    Choice("captionStyle.place", "bottom", {"bottom", "middle", "top"})
        .Derived(FromCaptionStyle("captionStyle.place"))
        .Label("Caption position").Control("cboCaptionPlace");
// Percent of the frame height between the caption and the safe area's edge.
inline const NumberSetting captionMargin = Number("captionStyle.margin", 2.0, 0, 30)
                                               .Derived(FromCaptionStyle("captionStyle.margin"))
                                               .Label("Caption margin").Control("spnCaptionMargin");
inline const FlagSetting captionUpperCase =
    Flag("captionStyle.upperCase", false)
        .Derived(FromCaptionStyle("captionStyle.upperCase"))
        .Label("Upper case").Control("chkCaptionUpperCase");
// 0: lines of a cue as the SRT has them; 1 to 3: that many words at a time.
inline const WholeSetting captionWordsPerCue =
    Whole("captionStyle.wordsPerCue", 0, 0, 3)
        .Derived(FromCaptionStyle("captionStyle.wordsPerCue"))
        .Label("Words at a time").Control("spnCaptionWords");
inline const TextSetting captionHighlight =
    Text("captionStyle.highlight", "#FFD700")
        .Check(ColourProblem)
        .Derived(FromCaptionStyle("captionStyle.highlight"))
        .Label("Highlight colour").Control("txtCaptionHighlight");
inline const FlagSetting cover =
    Flag("cover.enabled", false).Label("Cover picture").Control("chkCover").Report("cover");
inline const WholeSetting coverSlide =
    Whole("cover.slide", 1, 1, 9999).Label("Cover slide").Control("spnCoverSlide");
inline const TextSetting titleTemplate =
    Text("titleTemplate").Label("Title").Control("txtTitleTemplate");
inline const TextSetting descriptionTemplate =
    Text("descriptionTemplate").Label("Description").Control("txtDescriptionTemplate");

// The batch.
inline const TextsSetting keywords = Texts("keywords").Label("Keywords").Control("lstKeywords");
// The video's name when there are no keywords.
inline const TextSetting outputName =
    Text("outputName", "myfile").NonEmpty("a file name that is not empty").Label("Video name").Control("txtFilename");

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
    &adCopies,    &voice,          &slides,         &secondsPerSlide, &whenNarrationIsLonger,
    &transitions, &randomize,      &resolution,     &compressor,      &compression,
    &keywords,    &outputName,     &music,          &musicFile,       &musicReduceVolume,
    &musicDuck,   &musicDuckDb,    &format,         &mp4Crf,          &shape,
    &fit,         &captions,       &highlightWords, &cover,           &coverSlide,
    &titleTemplate, &descriptionTemplate, &motion,  &motionStrength,  &transitionSet,
    &transitionSeconds, &speechRate, &evenLoudness, &captionStyle, &captionFont, &captionSize,
    &captionColour, &captionBackground, &captionBackColour, &captionBackOpacity, &captionPlace,
    &captionMargin, &captionUpperCase, &captionWordsPerCue, &captionHighlight,
};

}  // namespace vm::setting
