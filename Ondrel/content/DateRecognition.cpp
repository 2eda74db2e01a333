#include "ContentPatterns.h"
#include "ScenarioDetector.h"
#include "TextLayout.h"

#include <algorithm>

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
        // The month-first form, the day-first form, or the airline form "12MAR24".
        const int form = !g[1].isEmpty() ? 0 : !g[5].isEmpty() ? 1 : 2;
        if (form == 2 && g.size() < 10)
            continue;
        const QString word = form == 0 ? g[1] : form == 1 ? g[5] : g[8];
        const auto month = monthIndexTable().constFind(word.toLower().left(3));
        if (month == monthIndexTable().constEnd())
            continue;
        const QString year = withCentury(form == 0 ? g[3] : form == 1 ? g[6] : g[9]);
        const QString day = form == 0 ? g[2] : form == 1 ? g[4] : g[7];
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

namespace {

struct Found
{
    qsizetype start;
    qsizetype end;
};

// Every date-shaped run of the text (year-first, month-name and numeric), in text order,
// without overlaps. Validity is not checked: this is where dates stand, for masking and
// for periods.
QList<Found> dateRuns(const QString &text)
{
    QList<Found> runs;
    for (const QString &source : {ContentPatterns::isoDate(QString()), ContentPatterns::monthNameDate(QString()),
                                  ContentPatterns::numericDate(QString())}) {
        Rx::Matcher match(*Rx::compiled(source, Rx::CaseInsensitive), text);
        while (match.find())
            runs << Found{match.start(), match.end()};
    }
    std::sort(runs.begin(), runs.end(), [](const Found &a, const Found &b) {
        return a.start != b.start ? a.start < b.start : a.end > b.end;
    });
    QList<Found> kept;
    for (const Found &run : runs) {
        if (kept.isEmpty() || run.start >= kept.last().end)
            kept << run;
    }
    return kept;
}

void blank(QString &text, qsizetype start, qsizetype end)
{
    for (qsizetype i = start; i < end && i < text.size(); ++i) {
        if (text[i] != u'\n')
            text[i] = u' ';
    }
}

bool isRangeSeparator(QStringView between)
{
    static const Rx::Pattern separator(ContentPatterns::dateRangeSeparator(), Rx::NoOptions);
    return between.size() <= 12 && Rx::matches(separator, between.toString());
}

// The first date run that begins at the start of `span` (after a few signs), or none.
std::optional<Found> runAtStart(const QList<Found> &runs, const TextLayout::Span &span)
{
    for (const Found &run : runs) {
        if (run.start >= span.start && run.start <= span.start + 3 && run.start < span.end)
            return run;
        if (run.start > span.start + 3)
            break;
    }
    return std::nullopt;
}

// The text with the dates that are never the document's own date blanked out, together
// with their labels: the start of a period, and dates labelled as due, booked, printed,
// received, valid-until or expiry dates, or dates of birth. Positions stay as they were.
QString documentDateText(const QString &text)
{
    const QList<Found> runs = dateRuns(text);
    if (runs.isEmpty())
        return text;
    QString masked = text;
    for (qsizetype i = 0; i + 1 < runs.size(); ++i) {
        if (isRangeSeparator(QStringView(text).mid(runs[i].end, runs[i + 1].start - runs[i].end)))
            blank(masked, runs[i].start, runs[i].end);
    }
    Rx::Matcher label(*Rx::compiled(ContentPatterns::excludedDateLabels(), Rx::CaseInsensitive), text);
    while (label.find()) {
        for (const TextLayout::Span &span : TextLayout::valueSpans(text, label.start(), label.end())) {
            if (const auto run = runAtStart(runs, span)) {
                blank(masked, run->start, run->end);
                break;
            }
        }
        blank(masked, label.start(), label.end());
    }
    return masked;
}

// Whether the document writes numeric dates month first: its unambiguous numeric dates
// say so, else its currency, else its language; a text with none of these follows the
// interface language.
bool documentReadsMonthFirst(const QString &text)
{
    int monthFirst = 0;
    int dayFirst = 0;
    for (const QStringList &g : Rx::allMatches(*Rx::compiled(ContentPatterns::numericDate(QString()),
                                                             Rx::CaseInsensitive), text)) {
        if (g.size() < 5 || g[4].size() != 4)
            continue;
        const auto a = parseInteger(g[1]);
        const auto b = parseInteger(g[3]);
        if (!a || !b)
            continue;
        if (*a > 12 && *b <= 12)
            ++dayFirst;
        else if (*a <= 12 && *b > 12)
            ++monthFirst;
    }
    if (monthFirst != dayFirst)
        return monthFirst > dayFirst;
    static const Rx::Pattern dollar(QStringLiteral(R"(\$|\bUSD\b)"), Rx::CaseInsensitive);
    static const Rx::Pattern europe(QStringLiteral(R"([€£]|\b(?:EUR|GBP)\b)"), Rx::CaseInsensitive);
    const bool usesDollar = Rx::matches(dollar, text);
    const bool usesEurope = Rx::matches(europe, text);
    if (usesDollar != usesEurope)
        return usesDollar;
    if (Rx::matches(ContentPatterns::get(ContentPatterns::Id::cjkIdeograph), text))
        return false;
    static const Rx::Pattern word(QStringLiteral(R"([A-Za-z]{3,})"), Rx::NoOptions);
    if (Rx::matches(word, text))
        return true;
    return uiLanguage() == u"en";
}

// The date at the start of a cell, after at most three signs.
std::optional<DateHit> dateAtStart(const QString &cell, bool monthFirst)
{
    const QString prefix = QStringLiteral(R"(^[^0-9A-Za-z]{0,3})");
    const auto iso = Rx::groups(ContentPatterns::isoDate(prefix), cell, Rx::CaseInsensitive);
    if (iso && iso->size() >= 4) {
        if (auto date = validISO((*iso)[1], (*iso)[2], (*iso)[3]))
            return DateHit{*date, false};
    }
    if (auto hit = matchMonthNameDate(prefix, cell))
        return hit;
    return matchNumericDate(prefix, cell, monthFirst);
}

// Where an anchor stands: CJK anchors anywhere, Latin ones at a word boundary.
std::shared_ptr<const Rx::Pattern> anchorPattern(const QString &anchor)
{
    const bool latin = !anchor.isEmpty() && anchor[0].unicode() < 0x80;
    return Rx::compiled(latin ? QStringLiteral(R"(\b(?:)") + anchor + QStringLiteral(")") : anchor,
                        Rx::CaseInsensitive);
}

// The date an anchor labels in a table: in the next cell of its line or in its column of
// the next row.
std::optional<DateHit> dateInLayout(const QString &text, const QString &anchor, bool monthFirst)
{
    Rx::Matcher match(*anchorPattern(anchor), text);
    for (int occurrence = 0; occurrence < 8 && match.find(); ++occurrence) {
        for (const TextLayout::Span &span : TextLayout::valueSpans(text, match.start(), match.end())) {
            if (auto hit = dateAtStart(text.mid(span.start, span.end - span.start), monthFirst))
                return hit;
        }
    }
    return std::nullopt;
}

std::optional<DateHit> dateAfter(const QString &prefix, const QString &text, bool monthFirst)
{
    // Only the first year-first match after the anchor is tried.
    const auto iso = Rx::groups(ContentPatterns::isoDate(prefix), text, Rx::CaseInsensitive);
    if (iso && iso->size() >= 4) {
        if (auto date = validISO((*iso)[1], (*iso)[2], (*iso)[3]))
            return DateHit{*date, false};
    }
    if (auto hit = matchMonthNameDate(prefix, text))
        return hit;
    return matchNumericDate(prefix, text, monthFirst);
}

// The end of a period that an anchor labels ("Statement Period: 02/01/2024 - 02/29/2024"),
// as "yyyy-MM"; "" when the anchor labels no period.
QString periodEndMonth(const QString &text, const QString &anchor, bool monthFirst)
{
    Rx::Matcher match(*anchorPattern(anchor), text);
    for (int occurrence = 0; occurrence < 4 && match.find(); ++occurrence) {
        for (const TextLayout::Span &span : TextLayout::valueSpans(text, match.start(), match.end())) {
            const QString cell = text.mid(span.start, span.end - span.start);
            const QList<Found> runs = dateRuns(cell);
            if (runs.size() < 2 || runs[0].start > 3)
                continue;
            if (!isRangeSeparator(QStringView(cell).mid(runs[0].end, runs[1].start - runs[0].end)))
                continue;
            const auto end = dateAtStart(cell.mid(runs[1].start, runs[1].end - runs[1].start), monthFirst);
            if (end && !end->date.isEmpty())
                return end->date.left(7);
        }
    }
    return QString();
}

} // namespace

DateHit contentDateHit(const QString &text, const QStringList &near, std::optional<bool> monthFirst)
{
    const bool firstIsMonth = monthFirst.value_or(documentReadsMonthFirst(text));
    const QString masked = documentDateText(text);
    for (const QString &anchor : near) {
        if (auto hit = dateAfter(ContentPatterns::anchorPrefix(anchor), masked, firstIsMonth))
            return *hit;
        if (auto hit = dateInLayout(masked, anchor, firstIsMonth))
            return *hit;
    }
    // Then a date anywhere.
    if (auto hit = dateAfter(QString(), masked, firstIsMonth))
        return *hit;
    return DateHit{};
}

QString contentMonth(const QString &text, const QStringList &near)
{
    // A statement's month is the month its period ends in.
    const bool firstIsMonth = documentReadsMonthFirst(text);
    for (const QString &anchor : near) {
        const QString end = periodEndMonth(text, anchor, firstIsMonth);
        if (!end.isEmpty())
            return end;
    }
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
