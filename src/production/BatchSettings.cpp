#include "BatchSettings.h"

#include <QFileInfo>
#include <algorithm>

#include "Compressors.h"
#include "KeywordRules.h"
#include "SpVoice.h"
#include "TimingPlan.h"

namespace vm {
namespace {

template <typename T>
void Fill(std::optional<T>& field, const std::optional<T>& fallback) {
    if (!field) field = fallback;
}

}  // namespace

QString CoverSlideProblem(const ProjectFile& p) {
    if (!p.cover.value_or(false)) return {};
    const int count = p.slides ? int(p.slides->size()) : 0;
    const int slide = p.coverSlide.value_or(1);
    if (count > 0 && slide > count)
        return QString("cover.slide: expected a slide number from 1 to %1, got %2")
            .arg(count)
            .arg(slide);
    return {};
}

void FillMissingFields(ProjectFile* p, const ProjectFile& d) {
    Fill(p->adCopies, d.adCopies);
    Fill(p->voice, d.voice);
    Fill(p->slides, d.slides);
    Fill(p->secondsPerSlide, d.secondsPerSlide);
    Fill(p->whenNarrationIsLonger, d.whenNarrationIsLonger);
    Fill(p->transitions, d.transitions);
    Fill(p->randomize, d.randomize);
    Fill(p->resolution, d.resolution);
    Fill(p->compressor, d.compressor);
    Fill(p->compression, d.compression);
    Fill(p->keywords, d.keywords);
    Fill(p->outputName, d.outputName);
    Fill(p->music, d.music);
    Fill(p->musicFile, d.musicFile);
    Fill(p->musicReduceVolume, d.musicReduceVolume);
    Fill(p->format, d.format);
    Fill(p->mp4Crf, d.mp4Crf);
    Fill(p->shape, d.shape);
    Fill(p->fit, d.fit);
    Fill(p->captions, d.captions);
    Fill(p->highlightWords, d.highlightWords);
    Fill(p->cover, d.cover);
    Fill(p->coverSlide, d.coverSlide);
    Fill(p->titleTemplate, d.titleTemplate);
    Fill(p->descriptionTemplate, d.descriptionTemplate);
    Fill(p->motion, d.motion);
    Fill(p->motionStrength, d.motionStrength);
    Fill(p->transitionSet, d.transitionSet);
    Fill(p->transitionSeconds, d.transitionSeconds);
    Fill(p->speechRate, d.speechRate);
    Fill(p->evenLoudness, d.evenLoudness);
    Fill(p->musicDuck, d.musicDuck);
    Fill(p->musicDuckDb, d.musicDuckDb);
}

ProjectFile StartupProject(const QStringList& voiceDescriptions, const Compressors& compressors) {
    ProjectFile p;
    p.adCopies = QStringList{"Enter your content here.", "", "", ""};
    const int voice = SpVoice::DefaultVoiceIndex(voiceDescriptions);
    if (voice >= 0) p.voice = voiceDescriptions[voice];
    p.slides = QStringList{};
    p.secondsPerSlide = 3;
    p.whenNarrationIsLonger = 0;
    p.transitions = true;
    p.randomize = true;
    p.resolution = 2;
    if (compressors.Count() > 0) p.compressor = compressors.Name(compressors.DefaultIndex());
    p.compression = true;
    p.keywords = QStringList{};
    p.outputName = "myfile";
    p.music = false;
    p.musicFile = "";
    p.musicReduceVolume = false;
    p.format = 0;
    p.mp4Crf = kDefaultMp4Crf;
    p.shape = 0;
    p.fit = 0;
    p.captions = 0;
    p.highlightWords = false;
    p.cover = false;
    p.coverSlide = 1;
    p.titleTemplate = "";
    p.descriptionTemplate = "";
    p.motion = false;
    p.motionStrength = kDefaultMotionStrength;
    p.transitionSet = "ten";
    p.transitionSeconds = 1.0;
    p.speechRate = 1.0;
    p.evenLoudness = false;
    p.musicDuck = false;
    p.musicDuckDb = kDefaultDuckDb;
    return p;
}

QString ProjectProblemHere(const ProjectFile& p, const QString& folder,
                           const QStringList& voiceDescriptions,
                           const QStringList& compressorNames) {
    const QString missing = MissingProjectFile(p, folder);
    if (!missing.isEmpty()) return missing;
    if (p.voice && !voiceDescriptions.contains(*p.voice)) {
        // Descriptions are long: name a few installed ones that look alike.
        const QString head = p.voice->section(' ', 0, 0);
        QStringList alike;
        for (const QString& d : voiceDescriptions) {
            if (alike.size() == 3) break;
            if (!head.isEmpty() && d.contains(head, Qt::CaseInsensitive)) alike << "\"" + d + "\"";
        }
        QString problem = QString("voice: \"%1\" is not installed on this machine").arg(*p.voice);
        if (!alike.isEmpty()) problem += " (similar: " + alike.join(", ") + ")";
        return problem;
    }
    if (p.compressor && !compressorNames.contains(*p.compressor))
        return QString("compressor: \"%1\" is not available on this machine (available: %2)")
            .arg(*p.compressor, compressorNames.join(", "));
    const QString cover = CoverSlideProblem(p);
    if (!cover.isEmpty()) return cover;
    if (p.keywords) {
        for (int i = 0; i < p.keywords->size(); ++i) {
            const QString problem = KeywordFileNameProblem(p.keywords->at(i));
            if (!problem.isEmpty()) return QString("keywords[%1]: %2").arg(i).arg(problem);
        }
    }
    if (p.outputName) {
        const QString problem = KeywordFileNameProblem(*p.outputName);
        if (!problem.isEmpty()) return "outputName: " + problem;
    }
    return {};
}

bool MakeBatchSettings(const ProjectFile& p, const QString& folder, const QList<VoiceToken>& voices,
                       const Compressors& compressors, BatchSettings* s, QString* error) {
    auto fail = [error](const QString& text) {
        if (error) *error = text;
        return false;
    };
    if (!p.adCopies || !p.slides || !p.secondsPerSlide || !p.resolution || !p.keywords)
        return fail("the project is not complete");
    BatchSettings out;
    out.adCopies = *p.adCopies;
    while (out.adCopies.size() < 4) out.adCopies << QString();
    out.adCopies = out.adCopies.mid(0, 4);

    const QString voice = p.voice.value_or(QString());
    for (const VoiceToken& token : voices)
        if (token.GetDescription() == voice) out.voice = token;
    if (out.voice.IsNull())
        return fail(voice.isEmpty()
                        ? QString("voice: no voice is selected")
                        : QString("voice: \"%1\" is not installed on this machine").arg(voice));

    for (const QString& slide : *p.slides) out.slides << ResolveProjectPath(slide, folder);
    if (*p.secondsPerSlide < 1)
        return fail("secondsPerSlide: expected a whole number of at least 1");
    out.secondsPerSlide = *p.secondsPerSlide;
    const QString limit = PlanLimitProblem(out.secondsPerSlide, int(out.slides.size()));
    if (!limit.isEmpty()) return fail(limit);
    out.repeatImages = p.whenNarrationIsLonger.value_or(0) == 1;
    out.transitions = p.transitions.value_or(true);
    out.randomize = p.randomize.value_or(true);
    if (*p.resolution < 0 || *p.resolution >= kProjectResolutions.size())
        return fail("resolution: not one of the list");
    const int shape = std::clamp(p.shape.value_or(0), 0, int(kProjectShapes.size()) - 1);
    const FrameSize size = ProjectFrameSize(*p.resolution, shape);
    out.width = size.width;
    out.height = size.height;
    out.fit = kProjectFits.value(p.fit.value_or(0), "fit").toStdString();

    if (p.format.value_or(0) == 1) {
        out.container = "mp4";
        out.codec = "libx264";
        out.codecName = "H.264";
        out.quality = p.mp4Crf.value_or(kDefaultMp4Crf);
    } else if (p.compression.value_or(false)) {
        int index = -1;
        for (int i = 0; i < compressors.Count(); ++i)
            if (compressors.Name(i) == p.compressor.value_or(QString())) index = i;
        const CompressorInfo* item = compressors.Item(index);
        if (!item) return fail("compressor: please select a video compressor from the list");
        out.codec = item->codec.toStdString();
        out.codecName = item->Name.toStdString();
        const CompressorSetting setting = compressors.Setting(index);
        out.quality = setting.label.isEmpty() ? -1 : setting.value;
    }

    out.keywords = *p.keywords;
    out.outputName = p.outputName.value_or(QString("myfile"));
    out.music = p.music.value_or(false);
    const QString music = p.musicFile.value_or(QString());
    out.musicFile = music.isEmpty() ? QString() : ResolveProjectPath(music, folder);
    out.musicReduceVolume = p.musicReduceVolume.value_or(false);

    const int captions = p.captions.value_or(0);
    out.captionsFile = captions == 1 || captions == 3;
    out.captionsBurned = captions == 2 || captions == 3;
    out.highlightWords = p.highlightWords.value_or(false);
    out.cover = p.cover.value_or(false);
    const QString cover = CoverSlideProblem(p);
    if (!cover.isEmpty()) return fail(cover);
    out.coverSlide = p.coverSlide.value_or(1) - 1;
    const FrameSize coverSize = CoverSize(shape);
    out.coverWidth = coverSize.width;
    out.coverHeight = coverSize.height;
    out.titleTemplate = p.titleTemplate.value_or(QString());
    out.descriptionTemplate = p.descriptionTemplate.value_or(QString());

    out.motionStrength =
        p.motion.value_or(false) ? p.motionStrength.value_or(kDefaultMotionStrength) / 100.0 : 0.0;
    out.transitionSet = p.transitionSet.value_or("ten");
    const QString set = TransitionSetProblem(out.transitionSet);
    if (!set.isEmpty()) return fail("transitionSet: expected " + set);
    out.transitionSeconds =
        std::clamp(p.transitionSeconds.value_or(1.0), kMinTransitionSeconds, kMaxTransitionSeconds);
    out.speechRate = std::clamp(p.speechRate.value_or(1.0), kMinSpeechRate, kMaxSpeechRate);
    out.evenLoudness = p.evenLoudness.value_or(false);
    out.musicDuckDb = p.musicDuck.value_or(false) ? p.musicDuckDb.value_or(kDefaultDuckDb) : 0.0;
    *s = std::move(out);
    return true;
}

}  // namespace vm
