#include "ContentPatterns.h"
#include "ScenarioDetector.h"

namespace ScenarioDetector {

namespace {

// A decimal integer: an optional sign, then ASCII digits only. Runs too long for 64 bits
// are no number, like any other malformed text.
std::optional<qint64> parseInteger(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

QString withCentury(const QString &year)
{
    return year.size() == 2 ? QStringLiteral("20") + year : year;
}

bool yearInWindow(qint64 year)
{
    return year >= 2000 && year <= qint64(today().year()) + 1;
}

} // namespace

const QHash<QString, int> &monthIndexTable()
{
    static const QHash<QString, int> table{
        {QStringLiteral("jan"), 1},  {QStringLiteral("feb"), 2},  {QStringLiteral("mar"), 3},
        {QStringLiteral("apr"), 4},  {QStringLiteral("may"), 5},  {QStringLiteral("jun"), 6},
        {QStringLiteral("jul"), 7},  {QStringLiteral("aug"), 8},  {QStringLiteral("sep"), 9},
        {QStringLiteral("oct"), 10}, {QStringLiteral("nov"), 11}, {QStringLiteral("dec"), 12}};
    return table;
}

std::optional<QString> validISO(const QString &year, const QString &month, const QString &day)
{
    const auto y = parseInteger(year);
    const auto m = parseInteger(month);
    const auto d = parseInteger(day);
    if (!y || !m || !d)
        return std::nullopt;
    if (!yearInWindow(*y) || *m < 1 || *m > 12)
        return std::nullopt;
    // A day the month does not have (0, 31 April, 29 February of a common year) is no date.
    if (*d < 1 || *d > 31 || !QDate::isValid(int(*y), int(*m), int(*d)))
        return std::nullopt;
    return QString::number(*y) + u'-' + pad(*m) + u'-' + pad(*d);
}

std::optional<DateHit> matchMonthNameDate(const QString &prefix, const QString &text)
{
    const auto pattern = Rx::compiled(ContentPatterns::monthNameDate(prefix), Rx::CaseInsensitive);
    for (const QStringList &g : Rx::allMatches(*pattern, text)) {
        if (g.size() < 7)
            continue;
        const QString word = !g[1].isEmpty() ? g[1] : g[5];
        const auto month = monthIndexTable().constFind(word.toLower().left(3));
        if (month == monthIndexTable().constEnd())
            continue;
        const bool monthFirst = !g[1].isEmpty();
        const QString year = withCentury(monthFirst ? g[3] : g[6]);
        const QString day = monthFirst ? g[2] : g[4];
        if (auto date = validISO(year, QString::number(*month), day))
            return DateHit{*date, false};
    }
    return std::nullopt;
}

std::optional<DateHit> matchNumericDate(const QString &prefix, const QString &text,
                                        bool monthFirst)
{
    const auto pattern = Rx::compiled(ContentPatterns::numericDate(prefix), Rx::CaseInsensitive);
    for (const QStringList &g : Rx::allMatches(*pattern, text)) {
        if (g.size() < 5)
            continue;
        const QString &separator = g[2];
        const QString &yearText = g[4];
        // Dotted triples with a two-digit year are version numbers, not dates.
        if (separator == u"." && yearText.size() == 2)
            continue;
        const auto a = parseInteger(g[1]);
        const auto b = parseInteger(g[3]);
        if (!a || !b)
            continue;
        qint64 month = 0;
        qint64 day = 0;
        bool ambiguous = false;
        if (*a <= 12) {
            if (*b <= 12) {
                ambiguous = true;
                month = monthFirst ? *a : *b;
                day = monthFirst ? *b : *a;
            } else {
                month = *a;
                day = *b;
            }
        } else {
            if (*b > 12)
                continue;
            month = *b;
            day = *a;
            // "24/03/05" might be year-first.
            ambiguous = yearText.size() == 2;
        }
        if (auto date = validISO(withCentury(yearText), QString::number(month), QString::number(day)))
            return DateHit{*date, ambiguous};
    }
    return std::nullopt;
}

DateHit contentDateHit(const QString &text, const QStringList &near, std::optional<bool> monthFirst)
{
    const bool firstIsMonth = monthFirst.value_or(uiLanguage() == u"en");
    QStringList prefixes;
    for (const QString &anchor : near)
        prefixes << ContentPatterns::anchorPrefix(anchor);
    prefixes << QString(); // then a date anywhere
    for (const QString &prefix : prefixes) {
        // Only the first year-first match after the anchor is tried.
        const auto iso = Rx::groups(ContentPatterns::isoDate(prefix), text, Rx::CaseInsensitive);
        if (iso && iso->size() >= 4) {
            if (auto date = validISO((*iso)[1], (*iso)[2], (*iso)[3]))
                return DateHit{*date, false};
        }
        if (auto hit = matchMonthNameDate(prefix, text))
            return *hit;
        if (auto hit = matchNumericDate(prefix, text, firstIsMonth))
            return *hit;
    }
    return DateHit{};
}

QString contentMonth(const QString &text, const QStringList &near)
{
    QStringList anchors = near;
    anchors << QString();
    for (const QString &anchor : anchors) {
        const auto g = Rx::groups(ContentPatterns::yearMonth(anchor), text, Rx::CaseInsensitive);
        if (!g || g->size() < 3)
            continue;
        const auto year = parseInteger((*g)[1]);
        const auto month = parseInteger((*g)[2]);
        if (!year || !month || *month < 1 || *month > 12 || !yearInWindow(*year))
            continue;
        return QString::number(*year) + u'-' + pad(*month);
    }
    const DateHit hit = contentDateHit(text, near);
    if (!hit.ambiguous && hit.date.size() >= 7)
        return hit.date.left(7);
    return QString();
}

} // namespace ScenarioDetector
