#include "Captions.h"

#include <algorithm>
#include <cmath>

namespace vm {
namespace {

// Silence between two words this long or longer is a pause a cue ends at
// (the pauses at line breaks and between [IMAGE] pieces are longer).
constexpr double kPauseSeconds = 0.35;

// The word without closing quotes and brackets, so "end.)" ends a sentence.
QString Trailing(const QString& word) {
    QString w = word;
    while (!w.isEmpty() && QString("\"')]}»”’").contains(w.back())) w.chop(1);
    return w;
}

bool EndsSentence(const QString& word) {
    const QString w = Trailing(word);
    return !w.isEmpty() && QString(".!?…。！？").contains(w.back());
}

bool EndsClause(const QString& word) {
    const QString w = Trailing(word);
    return !w.isEmpty() && QString(",;:–—，、；：").contains(w.back());
}

class CueBuilder {
public:
    explicit CueBuilder(const std::vector<NarrationWord>& words) : words_(words) {}

    // Characters of words [a, b) on one line.
    int Chars(int a, int b) const {
        int chars = b - a - 1;
        for (int i = a; i < b; ++i) chars += int(words_[size_t(i)].text.size());
        return chars;
    }

    // Words [a, b) on one line, or on two balanced ones; a break after a
    // clause end is worth a few characters of balance.
    QStringList Lines(int a, int b) const {
        if (b - a < 2 || Chars(a, b) <= kCaptionLineChars) return {Join(a, b)};
        int best = a + 1;
        int bestCost = INT32_MAX;
        for (int split = a + 1; split < b; ++split) {
            const int longest = std::max(Chars(a, split), Chars(split, b));
            const int cost = longest - (EndsClause(words_[size_t(split - 1)].text) ? 6 : 0);
            if (cost < bestCost) {
                bestCost = cost;
                best = split;
            }
        }
        return {Join(a, best), Join(best, b)};
    }

    bool Fits(int a, int b) const {
        const QStringList lines = Lines(a, b);
        return lines.size() <= kCaptionLines &&
               std::all_of(lines.begin(), lines.end(),
                           [](const QString& line) { return line.size() <= kCaptionLineChars; });
    }

    // A cue must end after word i: a sentence ends or the speech pauses.
    bool MustEndAfter(int i) const {
        const size_t w = size_t(i);
        if (EndsSentence(words_[w].text)) return true;
        return w + 1 < words_.size() && words_[w + 1].start - words_[w].end >= kPauseSeconds;
    }

    // The end (exclusive) of the cue that starts at word a.
    int CueEnd(int a) const {
        const int n = int(words_.size());
        int b = a + 1;
        int clause = -1;  // the end of the cue's last clause so far
        while (b < n && !MustEndAfter(b - 1)) {
            if (EndsClause(words_[size_t(b - 1)].text)) clause = b;
            const double seconds = words_[size_t(b)].end - words_[size_t(a)].start;
            if (!Fits(a, b + 1) || seconds > kCaptionLongestSeconds) {
                // Full: end at the last clause end when that leaves a line's
                // worth on screen.
                if (clause > a && Chars(a, clause) >= kCaptionLineChars) b = clause;
                break;
            }
            ++b;
        }
        return b;
    }

private:
    QString Join(int a, int b) const {
        QStringList parts;
        for (int i = a; i < b; ++i) parts << words_[size_t(i)].text;
        return parts.join(' ');
    }

    const std::vector<NarrationWord>& words_;
};

}  // namespace

std::vector<CaptionCue> MakeCaptionCues(const std::vector<NarrationWord>& words) {
    std::vector<CaptionCue> cues;
    const CueBuilder builder(words);
    const int n = int(words.size());
    for (int a = 0; a < n;) {
        const int b = builder.CueEnd(a);
        CaptionCue cue;
        cue.firstWord = a;
        cue.wordCount = b - a;
        cue.lines = builder.Lines(a, b);
        cue.start = words[size_t(a)].start;
        cue.end = std::max(cue.start, words[size_t(b - 1)].end);
        // Never into the next cue, whatever the engine said.
        if (b < n) cue.end = std::min(cue.end, std::max(cue.start, words[size_t(b)].start));
        cues.push_back(cue);
        a = b;
    }
    return cues;
}

QString SrtTime(double seconds) {
    const long long ms = std::max(0LL, std::llround(seconds * 1000));
    return QString("%1:%2:%3,%4")
        .arg(ms / 3600000, 2, 10, QChar('0'))
        .arg(ms / 60000 % 60, 2, 10, QChar('0'))
        .arg(ms / 1000 % 60, 2, 10, QChar('0'))
        .arg(ms % 1000, 3, 10, QChar('0'));
}

QString SrtText(const std::vector<CaptionCue>& cues) {
    QString srt;
    double shownUntil = 0;
    for (size_t i = 0; i < cues.size(); ++i) {
        // Whole milliseconds, each cue after the one before and at least one
        // millisecond long, so players keep them apart.
        const double start = std::max(std::round(cues[i].start * 1000) / 1000, shownUntil);
        const double end = std::max(std::round(cues[i].end * 1000) / 1000, start + 0.001);
        shownUntil = end;
        srt += QString("%1\n%2 --> %3\n%4\n\n")
                   .arg(i + 1)
                   .arg(SrtTime(start), SrtTime(end), cues[i].lines.join('\n'));
    }
    return srt;
}

std::vector<RenderJob::Caption> BurnedCaptions(const std::vector<CaptionCue>& cues,
                                               const std::vector<NarrationWord>& words) {
    std::vector<RenderJob::Caption> captions;
    for (const CaptionCue& cue : cues) {
        RenderJob::Caption caption;
        caption.start = cue.start;
        caption.end = cue.end;
        int word = cue.firstWord;
        for (int line = 0; line < cue.lines.size(); ++line) {
            if (line > 0) caption.text += "\n";
            // The lines are the cue's words joined by single spaces.
            const QStringList parts = cue.lines[line].split(' ');
            for (int p = 0; p < parts.size(); ++p, ++word) {
                if (p > 0) caption.text += " ";
                const std::string bytes = parts[p].toStdString();
                const NarrationWord& spoken = words[size_t(word)];
                caption.words.push_back(
                    {spoken.start, spoken.end, int(caption.text.size()), int(bytes.size())});
                caption.text += bytes;
            }
        }
        captions.push_back(std::move(caption));
    }
    return captions;
}

}  // namespace vm
