#include "ContentIndexQuery.h"

#include <QSet>
#include <QTextBoundaryFinder>

namespace {

// The characters of `text` as slices of it.
QList<QStringView> characters(const QString &text)
{
    QList<QStringView> result;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        result << QStringView(text).mid(start, end - start);
        start = end;
    }
    return result;
}

char32_t firstCodePoint(QStringView character)
{
    return character.isEmpty() ? 0 : character.toUcs4().value(0);
}

bool isCJK(QStringView character)
{
    for (char32_t c : character.toUcs4())
        if (ContentIndexQuery::isCJKCodePoint(c))
            return true;
    return false;
}

bool isSeparator(QStringView character)
{
    const char32_t c = firstCodePoint(character);
    return QChar::isSpace(c) || c == U',' || c == U'，' || c == U'、';
}

bool isKept(QStringView character)
{
    const char32_t c = firstCodePoint(character);
    return QChar::isLetterOrNumber(c) || isCJK(character) || c == U'_' || c == U'-';
}

// Whether every code unit of `text` is a character of its own: no surrogate pairs,
// combining or format marks, Hangul jamo or carriage returns (which join a line feed).
// Most texts are, and then characters can be counted without a boundary finder, which
// would first analyse the whole text.
bool oneUnitPerCharacter(QStringView text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x300) {
            if (u == u'\r')
                return false;
            continue;
        }
        if ((u >= 0x3040 && u <= 0x9FFF) || (u >= 0xAC00 && u <= 0xD7A3)) // kana, ideographs, Hangul syllables
            continue;
        if (c.isSurrogate() || c.isMark() || c.category() == QChar::Other_Format ||
            (u >= 0x1100 && u <= 0x11FF) || (u >= 0xA960 && u <= 0xA97F) ||
            (u >= 0xD7B0 && u <= 0xD7FF) || u == 0x0D4E)
            return false;
    }
    return true;
}

// Where the character boundary at or before code-unit `offset` lies, counted in characters.
qsizetype characterIndex(const QString &text, qsizetype offset)
{
    if (oneUnitPerCharacter(QStringView(text).left(offset + 1)))
        return offset;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.left(offset + 1));
    qsizetype count = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0 && end <= offset;
         end = finder.toNextBoundary())
        ++count;
    return count;
}

} // namespace

namespace ContentIndexQuery {

bool isCJKCodePoint(char32_t c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF);
}

bool containsCJK(const QString &text)
{
    // Any CJK code point makes its character CJK, so characters need not be found.
    for (char32_t c : text.toUcs4())
        if (isCJKCodePoint(c))
            return true;
    return false;
}

QString ftsExpression(const QString &query)
{
    QStringList terms;
    QString piece;
    bool pieceHasCJK = false;
    const auto finishPiece = [&] {
        if (!piece.isEmpty()) {
            QString quoted = piece;
            quoted.replace(u'"', QStringLiteral("\"\""));
            terms << u'"' + quoted + u'"' + (pieceHasCJK ? QString() : QStringLiteral("*"));
        }
        piece.clear();
        pieceHasCJK = false;
    };
    for (QStringView character : characters(query)) {
        if (isSeparator(character)) {
            finishPiece();
        } else if (isKept(character)) {
            piece += character;
            pieceHasCJK = pieceHasCJK || isCJK(character);
        }
    }
    finishPiece();
    return terms.join(QStringLiteral(" AND "));
}

QStringList cjkFallbackTerms(const QString &query)
{
    const QList<QStringView> chars = characters(query);
    if (chars.size() < 2)
        return {query};
    QStringList terms{query};
    QSet<QString> seen{query};
    for (qsizetype i = 0; i + 1 < chars.size(); ++i) {
        if (!isCJK(chars[i]) || !isCJK(chars[i + 1]))
            continue;
        const QString window = chars[i].toString() + chars[i + 1].toString();
        if (!seen.contains(window)) {
            seen.insert(window);
            terms << window;
        }
    }
    return terms;
}

QString snippet(const QString &text, const QString &query)
{
    if (text.isEmpty())
        return {};
    const QString lowered = text.toLower();
    qsizetype hitOffset = -1; // code units in `lowered`
    QString hitPiece;
    QString piece;
    const auto tryPiece = [&] {
        if (hitOffset < 0 && !piece.isEmpty()) {
            const QString needle = piece.toLower();
            const qsizetype at = lowered.indexOf(needle);
            if (at >= 0) {
                hitOffset = at;
                hitPiece = needle;
            }
        }
        piece.clear();
    };
    for (QStringView character : characters(query)) {
        if (QChar::isSpace(firstCodePoint(character)))
            tryPiece();
        else
            piece += character;
    }
    tryPiece();

    if (hitOffset < 0) {
        if (oneUnitPerCharacter(QStringView(text).left(221)))
            return text.left(220);
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
        qsizetype end = 0;
        for (int i = 0; i < 220; ++i) {
            const qsizetype next = finder.toNextBoundary();
            if (next < 0)
                break;
            end = next;
        }
        return text.left(end);
    }

    const qsizetype p = characterIndex(lowered, hitOffset);
    const qsizetype n = characters(hitPiece).size();
    const qsizetype first = std::max<qsizetype>(0, p - 90);
    const qsizetype last = p + n + 130; // exclusive, before clamping to the text

    // A text of one code unit per character, as far as the window reaches, is cut by
    // index; anything else is walked character by character.
    if (oneUnitPerCharacter(QStringView(text).left(last + 1))) {
        const qsizetype start = std::min(first, text.size());
        const qsizetype end = std::min(last, text.size());
        QString result;
        if (first > 0)
            result += u'…';
        result += QStringView(text).mid(start, end - start);
        if (end < text.size())
            result += u'…';
        return result;
    }
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype index = 0;
    qsizetype startOffset = -1;
    qsizetype endOffset = 0;
    bool more = false;
    for (qsizetype boundary = 0; boundary >= 0;) {
        if (index == first)
            startOffset = boundary;
        if (index == last) {
            more = finder.toNextBoundary() > 0;
            break;
        }
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            break;
        boundary = next;
        endOffset = next;
        ++index;
    }
    if (startOffset < 0) // the window starts past the end of the text
        return first > 0 ? QStringLiteral("…") : QString();
    QString result;
    if (first > 0)
        result += u'…';
    result += QStringView(text).mid(startOffset, endOffset - startOffset);
    if (more)
        result += u'…';
    return result;
}

} // namespace ContentIndexQuery
