#include "BatchSettings.h"

#include <QFileInfo>
#include <algorithm>

#include "AppFolder.h"
#include "Compressors.h"
#include "KeywordRules.h"
#include "SpVoice.h"
#include "TimingPlan.h"

namespace vm {

QString CoverSlideProblem(const Settings& p) {
    if (!p.Get(setting::cover)) return {};
    const int count = int(p.Get(setting::slides).size());
    const int slide = p.Get(setting::coverSlide);
    if (count > 0 && slide > count)
        return QString("cover.slide: expected a slide number from 1 to %1, got %2")
            .arg(count)
            .arg(slide);
    return {};
}

Settings MachineDefaults(const QStringList& voiceDescriptions, const Compressors& compressors) {
    Settings p = Settings::Defaults();
    const int voice = SpVoice::DefaultVoiceIndex(voiceDescriptions);
    if (voice >= 0)
        p.Set(setting::voice, voiceDescriptions[voice]);
    else
        p.Unset(setting::voice);
    if (compressors.Count() > 0)
        p.Set(setting::compressor, compressors.Name(compressors.DefaultIndex()));
    else
        p.Unset(setting::compressor);
    return p;
}

QString ProjectProblemHere(const Settings& p, const QString& folder,
                           const QStringList& voiceDescriptions,
                           const QStringList& compressorNames, bool slidesMayBeMissing) {
    const QString missing = MissingProjectFile(p, folder, slidesMayBeMissing);
    if (!missing.isEmpty()) return missing;
    const QString voice = p.Get(setting::voice);
    if (p.IsSet(setting::voice) && !voiceDescriptions.contains(voice)) {
        // Descriptions are long: name a few installed ones that look alike.
        const QString head = voice.section(' ', 0, 0);
        QStringList alike;
        for (const QString& d : voiceDescriptions) {
            if (alike.size() == 3) break;
            if (!head.isEmpty() && d.contains(head, Qt::CaseInsensitive)) alike << "\"" + d + "\"";
        }
        QString problem = QString("voice: \"%1\" is not installed on this machine").arg(voice);
        if (!alike.isEmpty()) problem += " (similar: " + alike.join(", ") + ")";
        return problem;
    }
    if (p.IsSet(setting::compressor) && !compressorNames.contains(p.Get(setting::compressor)))
        return QString("compressor: \"%1\" is not available on this machine (available: %2)")
            .arg(p.Get(setting::compressor), compressorNames.join(", "));
    const QString cover = CoverSlideProblem(p);
    if (!cover.isEmpty()) return cover;
    Brand brand;
    QString brandProblem;
    if (!MakeBrand(p, folder, &brand, &brandProblem)) return brandProblem;
    const QStringList keywords = p.Get(setting::keywords);
    for (int i = 0; i < keywords.size(); ++i) {
        const QString problem = KeywordFileNameProblem(keywords[i]);
        if (!problem.isEmpty()) return QString("keywords[%1]: %2").arg(i).arg(problem);
    }
    if (p.IsSet(setting::outputName)) {
        const QString problem = KeywordFileNameProblem(p.Get(setting::outputName));
        if (!problem.isEmpty()) return "outputName: " + problem;
    }
    return {};
}

QString ProjectOutputFolder(const Settings& project, const QString& projectFolder) {
    const QString output = project.Get(setting::output);
    return output.isEmpty() ? OutputFolder() : ResolveProjectPath(output, projectFolder);
}

bool MakeBatchSettings(const Settings& p, const QString& folder, const QList<VoiceToken>& voices,
                       const Compressors& compressors, BatchSettings* s, QString* error) {
    auto fail = [error](const QString& text) {
        if (error) *error = text;
        return false;
    };
    BatchSettings out;
    out.values = p;
    Settings& v = out.values;
    QStringList pages = p.Get(setting::adCopies);
    while (pages.size() < 4) pages << QString();
    v.Set(setting::adCopies, pages.mid(0, 4));

    const QString voice = p.Get(setting::voice);
    for (const VoiceToken& token : voices)
        if (token.GetDescription() == voice) out.voice = token;
    if (out.voice.IsNull())
        return fail(voice.isEmpty()
                        ? QString("voice: no voice is selected")
                        : QString("voice: \"%1\" is not installed on this machine").arg(voice));

    if (p.Get(setting::secondsPerSlide) < 1)
        return fail("secondsPerSlide: expected a whole number of at least 1");
    for (const QString& slide : p.Get(setting::slides))
        out.slides << ResolveProjectPath(slide, folder);
    const QString limit = PlanLimitProblem(p.Get(setting::secondsPerSlide), int(out.slides.size()));
    if (!limit.isEmpty()) return fail(limit);
    const FrameSize size = ProjectFrameSize(p);
    out.width = size.width;
    out.height = size.height;

    if (p.Is(setting::format, "mp4")) {
        out.container = "mp4";
        out.codec = "libx264";
        out.codecName = "H.264";
        out.quality = p.Get(setting::mp4Crf);
    } else if (p.Get(setting::compression)) {
        int index = -1;
        for (int i = 0; i < compressors.Count(); ++i)
            if (compressors.Name(i) == p.Get(setting::compressor)) index = i;
        const CompressorInfo* item = compressors.Item(index);
        if (!item) return fail("compressor: please select a video compressor from the list");
        out.codec = item->codec.toStdString();
        out.codecName = item->Name.toStdString();
        const CompressorSetting setting = compressors.Setting(index);
        out.quality = setting.label.isEmpty() ? -1 : setting.value;
    }

    const QString music = p.Get(setting::musicFile);
    out.musicFile = music.isEmpty() ? QString() : ResolveProjectPath(music, folder);
    out.outputFolder = ProjectOutputFolder(p, folder);

    out.captionsFile = p.Is(setting::captions, "srt") || p.Is(setting::captions, "both");
    out.captionsBurned = p.Is(setting::captions, "burned") || p.Is(setting::captions, "both");
    const QString cover = CoverSlideProblem(p);
    if (!cover.isEmpty()) return fail(cover);
    out.coverSlide = p.Get(setting::coverSlide) - 1;
    const FrameSize coverSize = CoverSize(p);
    out.coverWidth = coverSize.width;
    out.coverHeight = coverSize.height;

    out.motionStrength = p.Get(setting::motion) ? p.Get(setting::motionStrength) / 100.0 : 0.0;
    const QString set = setting::TransitionSetProblem(p.Get(setting::transitionSet));
    if (!set.isEmpty()) return fail("transitionSet: expected " + set);
    v.Set(setting::transitionSeconds,
          std::clamp(p.Get(setting::transitionSeconds), setting::kMinTransitionSeconds,
                     setting::kMaxTransitionSeconds));
    v.Set(setting::speechRate, std::clamp(p.Get(setting::speechRate), setting::kMinSpeechRate,
                                          setting::kMaxSpeechRate));
    out.musicDuckDb = p.Get(setting::musicDuck) ? p.Get(setting::musicDuckDb) : 0.0;
    QString brandProblem;
    if (!MakeBrand(p, folder, &out.brand, &brandProblem)) return fail(brandProblem);
    *s = std::move(out);
    return true;
}

}  // namespace vm
