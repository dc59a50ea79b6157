#include "SpeechText.h"

#include <QRegularExpression>
#include <cmath>

namespace vm::speech {
namespace {

QString Unescape(const QString& text) {
    if (!text.contains(QLatin1Char('&'))) return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const qsizetype semi = c == QLatin1Char('&') ? text.indexOf(QLatin1Char(';'), i) : -1;
        if (semi < 0 || semi - i > 10) {
            out += c;
            continue;
        }
        const QString name = text.mid(i + 1, semi - i - 1);
        QString replacement;
        if (name == QLatin1String("amp"))
            replacement = QStringLiteral("&");
        else if (name == QLatin1String("lt"))
            replacement = QStringLiteral("<");
        else if (name == QLatin1String("gt"))
            replacement = QStringLiteral(">");
        else if (name == QLatin1String("quot"))
            replacement = QStringLiteral("\"");
        else if (name == QLatin1String("apos"))
            replacement = QStringLiteral("'");
        else if (name.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const uint code = name.startsWith(QLatin1String("#x"), Qt::CaseInsensitive)
                                  ? name.mid(2).toUInt(&ok, 16)
                                  : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF) {
                const char32_t ch = code;
                replacement = QString::fromUcs4(&ch, 1);
            }
        }
        if (replacement.isEmpty()) {
            out += c;  // not an entity we know: keep the text as written
            continue;
        }
        out += replacement;
        i = semi;
    }
    return out;
}

QString Attribute(const QString& tag, const QString& name) {
    const QRegularExpression pattern(
        QStringLiteral("\\b%1\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')").arg(name),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(tag);
    if (!m.hasMatch()) return {};
    return m.captured(1).isNull() ? m.captured(2) : m.captured(1);
}

// "500ms", "1.5s", "250" (milliseconds) -> milliseconds; -1 when unreadable.
int TimeMs(const QString& value) {
    const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]*\\.?[0-9]+)\\s*(ms|s)?\\s*$"),
                                     QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(value);
    if (!m.hasMatch()) return -1;
    const double number = m.captured(1).toDouble();
    const bool seconds = m.captured(2).compare(QLatin1String("s"), Qt::CaseInsensitive) == 0;
    return int(std::lround(seconds ? number * 1000.0 : number));
}

int StrengthMs(const QString& strength) {
    const QString s = strength.trimmed().toLower();
    if (s == QLatin1String("none")) return 0;
    if (s == QLatin1String("x-weak")) return 100;
    if (s == QLatin1String("weak")) return 250;
    if (s == QLatin1String("strong")) return 700;
    if (s == QLatin1String("x-strong")) return 1200;
    return 400;  // medium, and a break without attributes
}

QString TagName(const QString& tag) {
    static const QRegularExpression namePattern(
        QStringLiteral("^<\\s*/?\\s*([A-Za-z_:][-A-Za-z0-9_:.]*)"));
    return namePattern.match(tag).captured(1).toLower();
}

// Paragraphs and sentences are spoken as pieces of their own.
bool IsStructureTag(const QString& name) {
    return name == QLatin1String("p") || name == QLatin1String("s") ||
           name == QLatin1String("paragraph") || name == QLatin1String("sentence");
}

// The pause a tag asks for, or -1 when it is no pause tag.
int PauseOfTag(const QString& name, const QString& tag) {
    if (name == QLatin1String("break")) {
        const int time = TimeMs(Attribute(tag, QStringLiteral("time")));
        if (time >= 0) return time;
        return StrengthMs(Attribute(tag, QStringLiteral("strength")));
    }
    if (name == QLatin1String("silence")) {
        bool ok = false;
        const int ms = Attribute(tag, QStringLiteral("msec")).toInt(&ok);
        return ok && ms > 0 ? ms : 0;
    }
    return -1;
}

}  // namespace

QString EscapeMarkup(const QString& text) {
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (c == QLatin1Char('&'))
            out += QStringLiteral("&amp;");
        else if (c == QLatin1Char('<'))
            out += QStringLiteral("&lt;");
        else if (c == QLatin1Char('>'))
            out += QStringLiteral("&gt;");
        else
            out += c;
    }
    return out;
}

QStringList SplitLines(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("\\r\\n|[\\n\\r\\x{2028}\\x{2029}]"));
    return text.split(breaks);
}

namespace {

// Where a line may be cut, best first: after a sentence, after a clause,
// after a word.
qsizetype LastCut(const QString& text, qsizetype limit) {
    static const QRegularExpression sentence(QStringLiteral("[.!?…]+[\"'”’)]*\\s"));
    static const QRegularExpression clause(QStringLiteral("[,;:]\\s"));
    static const QRegularExpression space(QStringLiteral("\\s"));
    for (const QRegularExpression* rule : {&sentence, &clause, &space}) {
        qsizetype cut = -1;
        for (auto it = rule->globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            if (m.capturedEnd() > limit) break;
            cut = m.capturedEnd();
        }
        if (cut > 0) return cut;
    }
    return limit;  // one word longer than the limit
}

}  // namespace

QStringList SplitLongLine(const QString& line, int longest) {
    if (longest <= 0 || line.size() <= longest) return {line};
    QStringList pieces;
    QString rest = line;
    while (rest.size() > longest) {
        const qsizetype cut = LastCut(rest, longest);
        const QString piece = rest.left(cut).trimmed();
        if (!piece.isEmpty()) pieces << piece;
        rest = rest.mid(cut);
    }
    if (!rest.trimmed().isEmpty()) pieces << rest.trimmed();
    return pieces;
}

QList<MarkupPiece> ParseMarkup(const QString& markup) {
    QList<MarkupPiece> pieces;
    QString pending;
    auto flushText = [&] {
        if (!pending.isEmpty()) pieces.append({Unescape(pending), 0});
        pending.clear();
    };
    qsizetype i = 0;
    while (i < markup.size()) {
        if (markup[i] != QLatin1Char('<')) {
            pending += markup[i++];
            continue;
        }
        if (markup.mid(i, 4) == QLatin1String("<!--")) {
            const qsizetype end = markup.indexOf(QLatin1String("-->"), i + 4);
            i = end < 0 ? markup.size() : end + 3;
            continue;
        }
        const qsizetype close = markup.indexOf(QLatin1Char('>'), i);
        if (close < 0) {  // no tag after all
            pending += markup.mid(i);
            break;
        }
        const QString tag = markup.mid(i, close - i + 1);
        i = close + 1;
        const QString name = TagName(tag);
        const int pause = PauseOfTag(name, tag);
        if (pause >= 0 || IsStructureTag(name)) flushText();
        if (pause > 0) pieces.append({QString(), pause});
    }
    flushText();
    return pieces;
}

}  // namespace vm::speech
