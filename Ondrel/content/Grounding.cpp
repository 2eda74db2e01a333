#include "ScenarioDetector.h"
#include "TextUtil.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <vector>

namespace ScenarioDetector {

namespace {

std::vector<QStringView> graphemes(const QString &text)
{
    std::vector<QStringView> list;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        list.push_back(QStringView(text).mid(start, end - start));
        start = end;
    }
    return list;
}

bool isCJKScalar(char32_t u)
{
    return (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF)
           || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0x20000 && u <= 0x2A6DF);
}

bool hasCJK(const QString &text)
{
    for (char32_t u : text.toUcs4()) {
        if (isCJKScalar(u))
            return true;
    }
    return false;
}

// Length of the longest run of consecutive characters that `a` and `b` share.
qsizetype longestCommonRun(const std::vector<QStringView> &a, const std::vector<QStringView> &b)
{
    std::vector<qsizetype> previous(a.size() + 1, 0);
    std::vector<qsizetype> row(a.size() + 1, 0);
    qsizetype best = 0;
    for (const QStringView &t : b) {
        for (size_t i = 0; i < a.size(); ++i) {
            row[i + 1] = a[i] == t ? previous[i] + 1 : 0;
            best = std::max(best, row[i + 1]);
        }
        std::swap(previous, row);
    }
    return best;
}

} // namespace

bool grounded(const QString &value, const QString &text)
{
    const QString trimmed = value.trimmed();
    if (trimmed.isEmpty())
        return false;
    const QString v = trimmed.normalized(QString::NormalizationForm_C).toLower();
    const QString t = text.normalized(QString::NormalizationForm_C).toLower();
    const qsizetype n = TextUtil::graphemeCount(v);
    if (n <= 2)
        return t.contains(v);
    if (t.contains(v))
        return true;

    if (!hasCJK(v)) {
        // A Latin answer: two neighbouring words of it must stand together in the text.
        static constexpr QStringView separators = u" \t\n\r_-.,，。（）()";
        QStringList pieces;
        QString piece;
        const auto flush = [&] {
            if (TextUtil::graphemeCount(piece) >= 2)
                pieces << piece;
            piece.clear();
        };
        for (QChar c : v) {
            if (separators.contains(c))
                flush();
            else
                piece += c;
        }
        flush();
        for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
            if (t.contains(pieces[i] + u' ' + pieces[i + 1]))
                return true;
        }
        return false;
    }

    // An answer with CJK characters: a long enough run of it must occur in the text.
    const qsizetype required = std::max<qsizetype>((n + 1) / 2, n <= 4 ? 3 : 0);
    return longestCommonRun(graphemes(v), graphemes(t)) >= required;
}

ScenarioMatch::Conf finalConfidence(int quality, int signalStrength, bool groundedSlot)
{
    using Conf = ScenarioMatch::Conf;
    if (!groundedSlot)
        return Conf::low;
    switch (quality) {
    case 0: // text layer or text document
        return signalStrength >= 2 ? Conf::high : signalStrength == 1 ? Conf::medium : Conf::low;
    case 1: // recognised text
    case 2: // a PDF without text
        return signalStrength >= 1 ? Conf::medium : Conf::low;
    default:
        return Conf::low;
    }
}

} // namespace ScenarioDetector
