#include "TextUtil.h"

#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <QTimeZone>

#include <cmath>

namespace TextUtil {

qsizetype graphemeCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

bool hasAtLeastGraphemes(const QString &text, qsizetype count)
{
    if (count <= 0)
        return true;
    if (text.size() < count)
        return false; // every character takes one code unit at least
    // A boundary depends only on what comes before it, so a prefix never holds more
    // characters than the whole text: a prefix that holds enough answers for it.
    for (qsizetype span = 4 * count + 16;; span *= 4) {
        if (span >= text.size())
            return graphemeCount(text) >= count;
        if (graphemeCount(text.left(span)) >= count)
            return true;
    }
}

QString graphemePrefix(const QString &text, qsizetype count)
{
    if (count <= 0)
        return {};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype position = 0;
    for (qsizetype i = 0; i < count; ++i) {
        position = finder.toNextBoundary();
        if (position < 0)
            return text;
    }
    return text.left(position);
}

bool canonicallyEqual(const QString &a, const QString &b)
{
    return a == b || a.normalized(QString::NormalizationForm_C)
                         == b.normalized(QString::NormalizationForm_C);
}

QString uuidText(const QUuid &uuid)
{
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

QString newUuidText()
{
    return uuidText(QUuid::createUuid());
}

bool isUuidText(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(
        "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    return form.match(text).hasMatch();
}

static const QDateTime &referenceDate()
{
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

double secondsSince2001(const QDateTime &date)
{
    return double(referenceDate().msecsTo(date)) / 1000.0;
}

QDateTime dateFromSecondsSince2001(double seconds)
{
    return referenceDate().addMSecs(qint64(std::llround(seconds * 1000.0)));
}

} // namespace TextUtil
