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

// Where the character boundary at or before code-unit `offset` lies, counted in characters.
qsizetype characterIndex(const QString &text, qsizetype offset)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
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

    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    if (hitOffset < 0) {
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

    // Walk the original text's characters only as far as the window needs.
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
