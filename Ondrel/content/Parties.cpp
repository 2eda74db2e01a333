#include "ContentPatterns.h"
#include "Localization.h"
#include "ScenarioDetector.h"
#include "TextUtil.h"

namespace ScenarioDetector {

namespace {

using ContentPatterns::Id;

QString firstOf(const QStringList &list)
{
    return list.isEmpty() ? QString() : list.first();
}

} // namespace

QString cleanOrgName(const QString &candidate)
{
    QString s = candidate.trimmed();
    // One leading label word ("Seller:", "Bill") goes; "Bill To:" keeps "To:".
    const Rx::Pattern &label = ContentPatterns::get(Id::orgLeadingLabel);
    if (const auto g = Rx::groups(label, s))
        s = s.mid((*g)[0].size());
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
    parties.buyer = lineAfterAnchor(ContentPatterns::buyerAnchors(), text);
    parties.seller = lineAfterAnchor(ContentPatterns::sellerAnchors(), text);
    if (!parties.seller.isEmpty())
        return parties;
    for (const QString &name : enOrgs(text)) {
        if (name.compare(parties.buyer, Qt::CaseInsensitive) != 0) {
            parties.seller = name;
            break;
        }
    }
    return parties;
}

Parties invoiceParties(const QString &text)
{
    // A Chinese invoice prints the buyer's block before the seller's.
    const QStringList a = Rx::allGroups(ContentPatterns::get(Id::nameBeforeTaxNumber), text, 1);
    QStringList list = a;
    if (a.size() < 2) {
        const QStringList b = Rx::allGroups(ContentPatterns::get(Id::nameAfterLabel), text, 1);
        if (b.size() > a.size())
            list = b;
    }
    if (list.size() >= 2)
        return Parties{list[0], list[1]};

    const QStringList c = Rx::allGroups(ContentPatterns::get(Id::nameWithOrgWord), text, 1);
    if (c.size() >= 2)
        return Parties{c[0], c[1]};

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
