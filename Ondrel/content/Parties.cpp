#include "ContentPatterns.h"
#include "Localization.h"
#include "ScenarioDetector.h"
#include "TextLayout.h"
#include "TextUtil.h"

namespace ScenarioDetector {

namespace {

using ContentPatterns::Id;

QString firstOf(const QStringList &list)
{
    return list.isEmpty() ? QString() : list.first();
}

// Text that is itself a label: it ends in a colon, is one of the common captions of an
// invoice's fields, or holds a Chinese field caption (开户银行, 纳税人识别号, 名称...).
bool isLabelText(const QString &text)
{
    const QString s = text.trimmed();
    if (s.endsWith(u':') || s.endsWith(QChar(0xFF1A)))
        return true;
    return Rx::matches(ContentPatterns::get(Id::orgLabelLatin), s)
           || Rx::matches(ContentPatterns::get(Id::orgLabelChinese), s);
}

// Two names for one party: equal ignoring case, or one holding the other ("Globex Corp"
// read inside "Globex Corporation").
bool sameParty(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    return a.contains(b, Qt::CaseInsensitive) || b.contains(a, Qt::CaseInsensitive);
}

// The first usable name an anchor labels: after it on its line, in the next cell, or in
// its column of the next row.
QString labelledName(const QStringList &anchors, const QString &text, qsizetype *at = nullptr)
{
    for (const QString &anchor : anchors) {
        const auto pattern = Rx::compiled(QStringLiteral(R"(\b(?:)") + anchor + QStringLiteral(R"()\b)"),
                                          Rx::CaseInsensitive);
        Rx::Matcher match(*pattern, text);
        for (int occurrence = 0; occurrence < 3 && match.find(); ++occurrence) {
            for (const TextLayout::Span &span : TextLayout::valueSpans(text, match.start(), match.end())) {
                const QString name = cleanOrgName(text.mid(span.start, span.end - span.start));
                if (!name.isEmpty()) {
                    if (at)
                        *at = match.start();
                    return name;
                }
            }
        }
    }
    return QString();
}

// Where the letterhead ends: after the first five non-empty lines.
qsizetype letterheadEnd(const QString &text)
{
    qsizetype at = 0;
    for (int lines = 0; lines < 5 && at < text.size();) {
        const qsizetype end = text.indexOf(u'\n', at);
        if (QStringView(text).mid(at, (end < 0 ? text.size() : end) - at).trimmed().size() > 0)
            ++lines;
        if (end < 0)
            return text.size();
        at = end + 1;
    }
    return at;
}

QStringList withoutLabels(const QStringList &names)
{
    QStringList kept;
    for (const QString &name : names) {
        if (!isLabelText(name))
            kept << name;
    }
    return kept;
}

} // namespace

QString cleanOrgName(const QString &candidate)
{
    QString s = candidate.trimmed();
    // A "From:" line names the sender before the address: the name is kept, the address
    // goes. So does a tax number and all that follows it.
    s = Rx::replaceAll(ContentPatterns::get(Id::orgEmail), s, QStringLiteral(" ")).trimmed();
    const qsizetype taxNumber = Rx::indexIn(ContentPatterns::get(Id::orgTaxNumber), s);
    if (taxNumber >= 0)
        s.truncate(taxNumber);
    // A line that is a label ("Date", "Ship To:", 购方开户银行) names nobody.
    if (isLabelText(s))
        return QString();
    // One leading label word ("Seller:", "Bill") goes; "Bill To:" keeps "To:".
    const Rx::Pattern &label = ContentPatterns::get(Id::orgLeadingLabel);
    if (const auto g = Rx::groups(label, s))
        s = s.mid((*g)[0].size());
    if (isLabelText(s))
        return QString();
    // A comma followed by a number starts a street address.
    const qsizetype address = Rx::indexIn(ContentPatterns::get(Id::orgAddressComma), s);
    if (address >= 0)
        s.truncate(address);
    s = trimChars(s, u" \t,:;·|-—");
    const qsizetype length = TextUtil::graphemeCount(s);
    if (length < 2 || length > 48 || s.contains(u'@')
        || Rx::matches(ContentPatterns::get(Id::orgWebAddress), s)
        || Rx::matches(ContentPatterns::get(Id::orgDigitStart), s)
        || !Rx::matches(ContentPatterns::get(Id::orgTwoLetters), s))
        return QString();
    return s;
}

QString lineAfterAnchor(const QStringList &anchors, const QString &text)
{
    for (const QString &anchor : anchors) {
        const auto g = Rx::groups(ContentPatterns::lineAfterAnchor(anchor), text, Rx::CaseInsensitive);
        if (!g || g->size() < 2)
            continue;
        const QString name = cleanOrgName((*g)[1]);
        if (!name.isEmpty())
            return name;
    }
    return QString();
}

QStringList enOrgs(const QString &text)
{
    QStringList names;
    for (const QString &candidate :
         ContentPatterns::capitalisedMatches(ContentPatterns::get(Id::enOrgs), text, 1)) {
        const QString name = cleanOrgName(candidate);
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

Parties enParties(const QString &text)
{
    Parties parties;
    qsizetype buyerAt = -1;
    parties.buyer = labelledName(ContentPatterns::buyerAnchors(), text, &buyerAt);
    parties.seller = labelledName(ContentPatterns::sellerAnchors(), text);
    if (sameParty(parties.seller, parties.buyer))
        parties.seller.clear();
    if (!parties.seller.isEmpty())
        return parties;
    // Without a seller's label, the seller is the company of the letterhead: one that
    // stands before the buyer's block or among the first lines. A company named further
    // down (a bank, a payment service, a carrier) is not the seller by its place.
    const qsizetype head = buyerAt >= 0 ? std::max(buyerAt, letterheadEnd(text)) : letterheadEnd(text);
    for (const QString &name : enOrgs(text)) {
        if (sameParty(name, parties.buyer))
            continue;
        const qsizetype at = text.indexOf(name);
        if (at >= 0 && at < head)
            parties.seller = name;
        break;
    }
    return parties;
}

Parties invoiceParties(const QString &text)
{
    // Names after the labels of their roles bind by the label, wherever they stand.
    const QString roleBuyer =
        withoutLabels(Rx::allGroups(ContentPatterns::get(Id::buyerByRole), text, 1)).value(0);
    const QString roleSeller =
        withoutLabels(Rx::allGroups(ContentPatterns::get(Id::sellerByRole), text, 1)).value(0);

    // A Chinese invoice prints the buyer's block before the seller's.
    const QStringList a = withoutLabels(Rx::allGroups(ContentPatterns::get(Id::nameBeforeTaxNumber), text, 1));
    QStringList list = a;
    if (a.size() < 2) {
        const QStringList b = withoutLabels(Rx::allGroups(ContentPatterns::get(Id::nameAfterLabel), text, 1));
        if (b.size() > a.size())
            list = b;
    }
    if (!roleBuyer.isEmpty() && !roleSeller.isEmpty() && !sameParty(roleBuyer, roleSeller))
        return Parties{roleBuyer, roleSeller};
    if (list.size() >= 2)
        return Parties{list[0], list[1]};

    const QStringList c = withoutLabels(Rx::allGroups(ContentPatterns::get(Id::nameWithOrgWord), text, 1));
    // The company heading the page: a line of its own among the first two, or the name
    // its own form's title begins with ("某某五金店销售单").
    const auto letterhead = [&](const QString &buyer) {
        const QString top = text.section(u'\n', 0, 1);
        const auto g = Rx::groups(ContentPatterns::get(Id::letterheadName), top);
        if (g && g->size() >= 2) {
            const QString name = (*g)[1];
            if (!isLabelText(name) && !sameParty(name, buyer))
                return name;
        }
        return QString();
    };
    if (!roleBuyer.isEmpty() || !roleSeller.isEmpty()) {
        QString seller = !roleSeller.isEmpty() ? roleSeller : letterhead(roleBuyer);
        if (seller.isEmpty() && isTrain(text))
            seller = L("中国铁路");
        return Parties{roleBuyer, seller};
    }
    if (c.size() >= 2) {
        // The order of the names says who is who only on an invoice with both blocks.
        static const Rx::Pattern blocks(QStringLiteral("(?:购买方|购方|买方)[\\s\\S]*(?:销售方|销方|卖方)"),
                                        Rx::NoOptions);
        if (Rx::matches(blocks, text))
            return Parties{c[0], c[1]};
        return Parties{QString(), letterhead(QString())};
    }

    if (list.isEmpty() && c.isEmpty()) {
        const Parties english = enParties(text);
        if (!english.buyer.isEmpty() || !english.seller.isEmpty())
            return english;
    }
    if (isTrain(text)) {
        const QString buyer = !list.isEmpty() ? list.first() : firstOf(c);
        return Parties{buyer, L("中国铁路")};
    }
    return Parties{QString(), !list.isEmpty() ? list.first() : firstOf(c)};
}

QString trimOrgSuffix(const QString &name)
{
    static const QStringList suffixes{QStringLiteral("股份有限公司"), QStringLiteral("有限责任公司"),
                                      QStringLiteral("有限公司"), QStringLiteral("（公司）"),
                                      QStringLiteral("(公司)")};
    for (const QString &suffix : suffixes) {
        if (name.endsWith(suffix)) {
            const QString rest = name.left(name.size() - suffix.size());
            return TextUtil::graphemeCount(rest) > 1 ? rest : name;
        }
    }
    return name;
}

QString enInstitution(const QString &text, const QString &tail)
{
    const auto accepted = [](const QString &candidate) -> QString {
        const QString name = cleanOrgName(candidate);
        const qsizetype length = TextUtil::graphemeCount(name);
        if (length < 4 || length > 40
            || Rx::matches(ContentPatterns::get(Id::institutionSentenceStart), name)
            || Rx::matches(ContentPatterns::get(Id::institutionAddress), name))
            return QString();
        return name;
    };

    // Letterhead first: a line of its own among the first three.
    qsizetype headEnd = -1;
    for (int line = 0; line < 3; ++line) {
        headEnd = text.indexOf(u'\n', headEnd + 1);
        if (headEnd < 0)
            break;
    }
    const QString head = headEnd < 0 ? text : text.left(headEnd);
    const auto onLine = Rx::groups(ContentPatterns::institutionOnLine(tail), head,
                                   Rx::AnchorsMatchLines);
    if (onLine && onLine->size() >= 2) {
        const QString name = accepted((*onLine)[1]);
        if (!name.isEmpty())
            return name;
    }
    const auto anywhere = Rx::compiled(ContentPatterns::institutionAnywhere(tail));
    for (const QString &candidate : ContentPatterns::capitalisedMatches(*anywhere, text, 1)) {
        const QString name = accepted(candidate);
        if (!name.isEmpty())
            return name;
    }
    return QString();
}

bool isTrain(const QString &text)
{
    return text.contains(QStringLiteral("铁路电子客票")) || text.contains(QStringLiteral("中国铁路"))
           || text.contains(QStringLiteral("电子客票号"));
}

QString screenshotTopicInstruction(const QString &language)
{
    const QString middle = language == u"en"
                               ? QStringLiteral("用不超过 6 个英文单词的短语（尽量直接使用文字里出现的词）")
                               : QStringLiteral("用不超过12字的中文短语");
    return QStringLiteral("下面是一张截图里 OCR 出的文字。只根据这些文字，") + middle
           + QStringLiteral("概括它在记录什么。必须基于文字本身，绝不编造文字里没有的人名/产品/主题；"
                            "读不出明确主题就返回空字符串");
}

} // namespace ScenarioDetector
