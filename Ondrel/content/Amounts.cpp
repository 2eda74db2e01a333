#include "ContentPatterns.h"
#include "ScenarioDetector.h"
#include "TextLayout.h"

#include <algorithm>


namespace ScenarioDetector {

namespace {

using ContentPatterns::Id;

// A figure as it goes into a name: thousands separators gone, a decimal comma made a
// point, no ".00". The last "." or "," is the decimal mark when one of each is present;
// a lone "," before one or two digits is a decimal comma; a lone "." before three digits
// separates thousands only in euro amounts ("1.262 €").
QString tidyNumber(QString number, bool euro)
{
    number.remove(u' ');
    const qsizetype comma = number.lastIndexOf(u',');
    const qsizetype point = number.lastIndexOf(u'.');
    if (comma >= 0 && point >= 0) {
        const QChar decimal = comma > point ? u',' : u'.';
        number.remove(decimal == u',' ? u'.' : u',');
        number.replace(u',', u'.');
    } else if (comma >= 0) {
        if (number.size() - comma - 1 == 3 || number.count(u',') > 1)
            number.remove(u',');
        else
            number.replace(u',', u'.');
    } else if (point >= 0 && (number.count(u'.') > 1 || (euro && number.size() - point - 1 == 3))) {
        number.remove(u'.');
    }
    if (number.endsWith(QLatin1String(".00")))
        number.chop(3);
    if (number.endsWith(u'.'))
        number.chop(1);
    return number;
}

bool isPositive(const QString &number)
{
    for (QChar c : number) {
        if (c >= u'1' && c <= u'9')
            return true;
    }
    return false;
}

bool isEuro(const QString &code)
{
    return code == u"€" || code.compare(u"EUR", Qt::CaseInsensitive) == 0 || code == u"欧元";
}

// The amount at the start of a cell, as sign and number; "" when the cell holds none.
QString valueAt(const QString &cell, const QString &text)
{
    const auto g = Rx::groups(ContentPatterns::get(Id::amountValue), cell);
    if (!g || g->size() < 5)
        return QString();
    const QString code = !(*g)[2].isEmpty() ? (*g)[2] : !(*g)[1].isEmpty() ? (*g)[1] : (*g)[4];
    const QString number = tidyNumber((*g)[3], isEuro(code));
    if (number.isEmpty() || !isPositive(number))
        return QString();
    return sym(code, text) + number;
}

// Whether a "Total" stands for a part of the total (a subtotal, a net or tax line, a
// count) rather than the total itself.
bool partOfTotal(const QString &text, qsizetype start, qsizetype end)
{
    const Rx::Pattern &excluded = ContentPatterns::get(Id::totalLabelExcluded);
    const QString before = text.mid(std::max<qsizetype>(0, start - 5), std::min<qsizetype>(start, 5));
    const QString after = text.mid(end, 16);
    return Rx::matches(excluded, before) || Rx::matches(excluded, after);
}

// The amount a total label labels: on its line, in the next cell, or below it in its
// column. The labels are tried from the most telling; of several plain "Total" labels the
// last with a value wins (a table's column of line totals comes before the grand total).
QString labelledTotal(const QString &text, std::initializer_list<Id> tiers)
{
    for (Id id : tiers) {
        QList<std::pair<qsizetype, qsizetype>> labels;
        Rx::Matcher match(ContentPatterns::get(id), text);
        while (labels.size() < 64 && match.find())
            labels << std::pair{match.start(), match.end()};
        if (id != Id::totalLabelDue)
            std::reverse(labels.begin(), labels.end());
        for (const auto &[start, end] : labels) {
            if (id != Id::totalLabelDue && partOfTotal(text, start, end))
                continue;
            for (const TextLayout::Span &span : TextLayout::valueSpans(text, start, end)) {
                const QString value = valueAt(text.mid(span.start, span.end - span.start), text);
                if (!value.isEmpty())
                    return value;
            }
        }
    }
    return QString();
}

} // namespace

QString amount(const QString &text)
{
    // The document's total, by its label.
    const QString total =
        labelledTotal(text, {Id::totalLabelDue, Id::totalLabelPlain, Id::totalLabelAmount});
    if (!total.isEmpty())
        return total;
    // Else the first signed amount, then the first figure with a currency code.
    const struct
    {
        Id pattern;
        int sign;
        int number;
    } rows[] = {{Id::amountSign, 1, 2}, {Id::amountCode, 2, 1}};
    for (const auto &row : rows) {
        Rx::Matcher match(ContentPatterns::get(row.pattern), text);
        for (int tries = 0; tries < 16 && match.find(); ++tries) {
            const QString code = match.group(row.sign).value_or(QString());
            const QString number = tidyNumber(match.group(row.number).value_or(QString()), isEuro(code));
            if (!number.isEmpty() && isPositive(number))
                return sym(code, text) + number;
        }
    }
    return QString();
}

QString invoiceTotal(const QString &text)
{
    const QString folded = normDigits(text);
    // The figures after 小写, the total with tax, a total by its own label, the ticket price.
    for (Id id : {Id::totalFigures, Id::totalTaxIncluded}) {
        const auto g = Rx::groups(ContentPatterns::get(id), folded);
        if (g && g->size() >= 2)
            return inferCurrency(folded) + tidyNumber((*g)[1], false);
    }
    const QString total = labelledTotal(folded, {Id::totalLabelChinese});
    if (!total.isEmpty())
        return total;
    if (const auto g = Rx::groups(ContentPatterns::get(Id::totalTicketPrice), folded); g && g->size() >= 2)
        return inferCurrency(folded) + tidyNumber((*g)[1], false);
    // A Chinese document without one of its own total labels gets no amount.
    if (Rx::matches(ContentPatterns::get(Id::cjkIdeograph), folded))
        return QString();
    return amount(folded);
}

QString inferCurrency(const QString &text)
{
    static constexpr std::pair<Id, char16_t> tests[] = {
        {Id::currencyYuan, u'¥'},
        {Id::currencyDollar, u'$'},
        {Id::currencyEuro, u'€'},
        {Id::currencyPound, u'£'},
    };
    for (const auto &[id, sign] : tests) {
        if (Rx::matches(ContentPatterns::get(id), text))
            return QString(QChar(sign));
    }
    if (Rx::matches(ContentPatterns::get(Id::cjkIdeograph), text))
        return QStringLiteral("¥");
    // An English document without a currency sign counts in dollars, whatever the
    // interface language; a text of figures alone follows the interface language.
    static const Rx::Pattern word(QStringLiteral(R"([A-Za-z]{3,})"), Rx::NoOptions);
    if (Rx::matches(word, text))
        return QStringLiteral("$");
    return uiLanguage() == u"en" ? QStringLiteral("$") : QStringLiteral("¥");
}

QString sym(const QString &code, const QString &text)
{
    const QString c = code.toUpper();
    if (c == u"$" || c == u"USD" || c == u"美元")
        return QStringLiteral("$");
    if (c == u"€" || c == u"EUR" || c == u"欧元")
        return QStringLiteral("€");
    if (c == u"£" || c == u"GBP" || c == u"英镑")
        return QStringLiteral("£");
    if (c == u"¥" || c == u"￥" || c == u"CNY" || c == u"RMB" || c == u"元")
        return QStringLiteral("¥");
    return inferCurrency(text);
}

} // namespace ScenarioDetector
