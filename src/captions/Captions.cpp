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
    while (!w.isEmpty() && QString("\"')]}»”’」』）").contains(w.back())) w.chop(1);
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

// Characters a line shows twice as wide: Chinese, Japanese and Korean
// scripts, their punctuation and the full-width forms.
bool Wide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE10 && c <= 0xFE6F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// Scripts written without spaces between words: a line may break between
// any two of their characters.
bool WithoutSpaces(char32_t c) {
    return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x31FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

// Marks a line never starts with (closing punctuation, small kana, the
// prolonged sound mark), and marks it never ends with (opening brackets).
bool Closing(char32_t c) {
    static const std::u32string marks =
        U"、。，．！？：；）」』】〉》〕〗〙〛｝］〟’”ー々ゝゞぁぃぅぇぉっゃゅょゎァィゥェォッャュ"
        U"ョヮヵヶ"
        U".,!?:;)]}…";
    return marks.find(c) != std::u32string::npos;
}
bool Opening(char32_t c) {
    static const std::u32string marks = U"（「『【〈《〔〖〘〚｛［〝‘“([{";
    return marks.find(c) != std::u32string::npos;
}

// A word split into pieces, `count` of them of nearly equal length, its time
// shared by length.
void AddEvenPieces(const std::u32string& text, double start, double end, bool joined, int count,
                   std::vector<NarrationWord>* pieces) {
    const size_t n = text.size();
    for (int i = 0; i < count; ++i) {
        const size_t from = n * size_t(i) / size_t(count), to = n * size_t(i + 1) / size_t(count);
        if (to <= from) continue;
        NarrationWord piece;
        piece.text = QString::fromStdU32String(text.substr(from, to - from));
        piece.start = start + (end - start) * double(from) / double(n);
        piece.end = start + (end - start) * double(to) / double(n);
        piece.joined = joined || i > 0;
        pieces->push_back(piece);
    }
}

class CueBuilder {
public:
    explicit CueBuilder(const std::vector<NarrationWord>& words) : words_(words) {}

    // Columns of words [a, b) on one line.
    int Chars(int a, int b) const {
        int chars = 0;
        for (int i = a; i < b; ++i) {
            const NarrationWord& w = words_[size_t(i)];
            chars += CaptionColumns(w.text) + (i > a && !w.joined ? 1 : 0);
        }
        return chars;
    }

    // Where words [a, b) go on a second line: b when they fit on one line,
    // else the split that balances two lines, a break after a clause end
    // being worth a few characters of balance.
    int Split(int a, int b) const {
        if (b - a < 2 || Chars(a, b) <= kCaptionLineChars) return b;
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
        return best;
    }

    bool Fits(int a, int b) const {
        const int split = Split(a, b);
        return Chars(a, split) <= kCaptionLineChars && Chars(split, b) <= kCaptionLineChars;
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

    QString Join(int a, int b) const {
        QString text;
        for (int i = a; i < b; ++i) {
            if (i > a && !words_[size_t(i)].joined) text += ' ';
            text += words_[size_t(i)].text;
        }
        return text;
    }

private:
    const std::vector<NarrationWord>& words_;
};

// The cue of words [a, b), its first line ending before word `split`.
CaptionCue MakeCue(const std::vector<NarrationWord>& words, const CueBuilder& builder, int a, int b,
                   int split) {
    CaptionCue cue;
    cue.words.assign(words.begin() + a, words.begin() + b);
    cue.firstLineWords = split - a;
    cue.lines << builder.Join(a, split);
    if (split < b) cue.lines << builder.Join(split, b);
    cue.start = words[size_t(a)].start;
    cue.end = std::max(cue.start, words[size_t(b - 1)].end);
    // Never into the next cue, whatever the engine said, and never longer
    // than a cue may be (only a single piece heard for longer than that
    // could make it).
    if (size_t(b) < words.size())
        cue.end = std::min(cue.end, std::max(cue.start, words[size_t(b)].start));
    cue.end = std::min(cue.end, cue.start + kCaptionLongestSeconds);
    return cue;
}

}  // namespace

int CaptionColumns(const QString& text) {
    int columns = 0;
    for (char32_t c : text.toStdU32String()) columns += Wide(c) ? 2 : (c > 0xFFFF ? 2 : 1);
    return columns;
}

std::vector<NarrationWord> CaptionPieces(const std::vector<NarrationWord>& words) {
    std::vector<NarrationWord> pieces;
    pieces.reserve(words.size());
    for (const NarrationWord& word : words) {
        const std::u32string text = word.text.toStdU32String();
        const double seconds = std::max(0.0, word.end - word.start);
        // Most words go as they are.
        if (text.empty() ||
            (CaptionColumns(word.text) <= kCaptionLineChars && seconds <= kCaptionLongestSeconds &&
             std::none_of(text.begin(), text.end(), WithoutSpaces))) {
            pieces.push_back(word);
            continue;
        }
        // Runs between the places a line may break, their time shared by length.
        std::vector<std::u32string> runs(1);
        for (size_t i = 0; i < text.size(); ++i) {
            if (i > 0 && (WithoutSpaces(text[i - 1]) || WithoutSpaces(text[i])) &&
                !Closing(text[i]) && !Opening(text[i - 1]))
                runs.emplace_back();
            runs.back() += text[i];
        }
        double at = word.start;
        for (size_t r = 0; r < runs.size(); ++r) {
            const double length = seconds * double(runs[r].size()) / double(text.size());
            const int columns = CaptionColumns(QString::fromStdU32String(runs[r]));
            const int count = std::max({1, (columns + kCaptionLineChars - 1) / kCaptionLineChars,
                                        int(std::ceil(length / kCaptionLongestSeconds))});
            AddEvenPieces(runs[r], at, at + length, word.joined || r > 0,
                          std::min(count, int(runs[r].size())), &pieces);
            at += length;
        }
    }
    return pieces;
}

std::vector<CaptionCue> MakeCaptionCues(const std::vector<NarrationWord>& spoken) {
    const std::vector<NarrationWord> words = CaptionPieces(spoken);
    std::vector<CaptionCue> cues;
    const CueBuilder builder(words);
    const int n = int(words.size());
    for (int a = 0; a < n;) {
        const int b = builder.CueEnd(a);
        cues.push_back(MakeCue(words, builder, a, b, builder.Split(a, b)));
        a = b;
    }
    return cues;
}

std::vector<CaptionCue> MakeWordCues(const std::vector<NarrationWord>& spoken, int count) {
    const std::vector<NarrationWord> words = CaptionPieces(spoken);
    std::vector<CaptionCue> cues;
    const CueBuilder builder(words);
    const int n = int(words.size());
    for (int a = 0; a < n;) {
        int b = a + 1;
        while (b < n && b - a < count && !builder.MustEndAfter(b - 1) &&
               words[size_t(b)].end - words[size_t(a)].start <= kCaptionLongestSeconds)
            ++b;
        cues.push_back(MakeCue(words, builder, a, b, b));
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

QString SrtText(const std::vector<CaptionCue>& cues, double shift) {
    QString srt;
    const double later = std::round(shift * 1000) / 1000;
    double shownUntil = 0;
    for (size_t i = 0; i < cues.size(); ++i) {
        // Whole milliseconds, each cue after the one before and at least one
        // millisecond long, so players keep them apart.
        const double start = std::max(std::round(cues[i].start * 1000) / 1000, shownUntil);
        const double end = std::max(std::round(cues[i].end * 1000) / 1000, start + 0.001);
        shownUntil = end;
        srt += QString("%1\n%2 --> %3\n%4\n\n")
                   .arg(i + 1)
                   .arg(SrtTime(start + later), SrtTime(end + later), cues[i].lines.join('\n'));
    }
    return srt;
}

std::vector<RenderJob::Caption> BurnedCaptions(const std::vector<CaptionCue>& cues,
                                               bool upperCase) {
    std::vector<RenderJob::Caption> captions;
    for (const CaptionCue& cue : cues) {
        RenderJob::Caption caption;
        caption.start = cue.start;
        caption.end = cue.end;
        for (size_t w = 0; w < cue.words.size(); ++w) {
            const NarrationWord& word = cue.words[w];
            if (w > 0 && int(w) == cue.firstLineWords)
                caption.text += "\n";
            else if (w > 0 && !word.joined)
                caption.text += " ";
            const std::string bytes = (upperCase ? word.text.toUpper() : word.text).toStdString();
            caption.words.push_back(
                {word.start, word.end, int(caption.text.size()), int(bytes.size())});
            caption.text += bytes;
        }
        captions.push_back(std::move(caption));
    }
    return captions;
}

}  // namespace vm
