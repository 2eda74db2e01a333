#include "ContentPatterns.h"

#include <QElapsedTimer>

#include <array>
#include <memory>

namespace ContentPatterns {

namespace {

using Rx::CaseInsensitive;
using Rx::NoOptions;

struct Fixed
{
    Id id;
    const char *name;
    const char16_t *source;
    Rx::Options options;
};

// The characters of an English organisation name's word.
#define NAME_WORD_CHARS u"A-Za-z0-9&'’.-"

#define LEGAL_FORM                                                                         \
    u"(?:Inc\\.?|LLC|L\\.L\\.C\\.?|Ltd\\.?|Limited|Corp\\.?|Corporation|Co\\.|GmbH|PLC|LLP|"  \
    u"Pty\\s+Ltd|AG|N\\.V\\.|B\\.V\\.)"

#define ORG_WORDS                                                                          \
    u"(?:有限公司|股份有限公司|有限责任公司|个体工商户|集团|中心|事务所|研究院|酒店|宾馆|饭店|" \
    u"超市|药房|门市部|经营部|服务部|商行|商店|公司|厂|店|社|行|部)"

// In the order of Id.
constexpr Fixed fixedTable[] = {
    // A trailing copy counter "(3)" with the spaces before it. A match from inside a run of
    // spaces would match from the run's start as well, so only that start is tried.
    {Id::genericCopyCounter, "generic.copyCounter", uR"((?<!\s)\s*\(\d{1,3}\)$)", NoOptions},
    // A trailing date or number with the separators before it; started only where no
    // separator precedes, for the same reason.
    {Id::genericTrailingNumber, "generic.trailingNumber",
     uR"((?<![ _-])[ _-]*(?:\d{1,4}[-_.]\d{1,2}[-_.]\d{1,4}|\d{1,14})$)", NoOptions},
    {Id::genericSeparatorRun, "generic.separatorRun", uR"([ _-]+)", NoOptions},

    // "Total Due", "Grand Total", 价税合计, 实付: labels only a document's total carries.
    {Id::totalLabelDue, "amount.labelDue",
     uR"(\b(?:Total\s+Due|Amount\s+Due|Balance\s+Due|Grand\s+Total|Order\s+Total|Invoice\s+Total|Total\s+Amount(?:\s+Due)?|Amount\s+Paid|Total\s+Paid|Total\s+Payable|Amount\s+Payable|Total\s+to\s+Pay|Total\s+Gross|Gross\s+Total|Total\s+(?:incl\.?|including)\s+(?:VAT|tax))\b|价税合计|实付款|实付金额|实付|实收|应付金额|应付|总计|合计金额|支付金额|交易金额|付款金额|总金额)",
     CaseInsensitive},
    {Id::totalLabelPlain, "amount.labelPlain", uR"(\bTotal\b|合计)", CaseInsensitive},
    {Id::totalLabelAmount, "amount.labelAmount", uR"(\bAmount\b|金额)", CaseInsensitive},
    // What makes a "Total" a part: a subtotal, a net or tax line, a count.
    {Id::totalLabelExcluded, "amount.labelExcluded",
     uR"((?:\bSub[- ]?|\bNet\s+|小)$|^[ \t]*(?:[-:][ \t]*)?(?:tax|vat|net|items?|qty|quantity|weight|savings|discount|excl|before|pieces|units|fare)\b)",
     CaseInsensitive},
    // The totals a Chinese receipt or itinerary prints (after 小写 and 价税合计).
    {Id::totalLabelChinese, "amount.labelChinese",
     uR"(合计金额|合计|总计|实付款|实付金额|实付|实收|应付金额|应付|总金额)", NoOptions},
    // A value at the start of a cell: a code or a sign, the number (thousands separated by
    // ",", "." or a space; decimals after "." or ","), a code or a sign after it. Groups:
    // 1 code before, 2 sign before, 3 number, 4 code or sign after.
    {Id::amountValue, "amount.value",
     uR"(^[^0-9\n¥￥$€£]{0,12}?(?:(CNY|RMB|USD|EUR|GBP|HKD)[ \t]?)?([¥￥$€£])?[ \t]?((?:[0-9]{1,3}(?:[,. ][0-9]{3})+|[0-9]+)(?:[.,][0-9]{1,2})?)(?![0-9])(?:[ \t]?(元|CNY|RMB|USD|美元|EUR|GBP|€|£|\$))?)",
     CaseInsensitive},
    {Id::amountSign, "amount.sign",
     uR"(([¥￥$€£])[ \t]?((?:[0-9]{1,3}(?:[,.][0-9]{3})+|[0-9]+)(?:[.,][0-9]{1,2})?)(?![0-9]))",
     CaseInsensitive},
    // A figure with decimals and a currency code after it. Groups 1 and 2 are the number and
    // the code; only the start of a run of digits and separators is tried, which keeps the
    // search linear.
    {Id::amountCode, "amount.code",
     uR"((?<![0-9,.])((?:[0-9]{1,3}(?:[,.][0-9]{3})+|[0-9]+)[.,][0-9]{2})(?![0-9])[ \t]?(元|CNY|RMB|USD|美元|EUR|GBP|\$|€|£))",
     CaseInsensitive},

    {Id::totalFigures, "total.figures",
     uR"(小\s*写\s*[)）]\s*[¥￥]?\s*([0-9][0-9,]*\.[0-9]{2}))", CaseInsensitive},
    {Id::totalTicketPrice, "total.ticketPrice",
     uR"(票价[：:]\s*[¥￥]?\s*([0-9][0-9,]*\.[0-9]{2}))", CaseInsensitive},
    {Id::totalTaxIncluded, "total.taxIncluded",
     uR"(价税合计[^¥￥]{0,60}?[¥￥]\s*([0-9][0-9,]*\.[0-9]{2}))", CaseInsensitive},

    {Id::cjkIdeograph, "cjk.ideograph", uR"([\u4e00-\u9fa5])", NoOptions},
    {Id::currencyYuan, "currency.yuan", uR"((¥|￥|CNY|RMB|人民币|元))", CaseInsensitive},
    {Id::currencyDollar, "currency.dollar", uR"((\$|\bUSD\b|美元))", CaseInsensitive},
    {Id::currencyEuro, "currency.euro", uR"((€|\bEUR\b|欧元))", CaseInsensitive},
    {Id::currencyPound, "currency.pound", uR"((£|\bGBP\b|英镑))", CaseInsensitive},

    {Id::orgLeadingLabel, "org.leadingLabel",
     uR"(^(?:invoice|receipt|bill|billed|sold|ship|remit|from|to|by|vendor|merchant|seller|supplier|customer|client|buyer|name|company)\b[\s:：,-]*)",
     CaseInsensitive},
    {Id::orgAddressComma, "org.addressComma", uR"(,\s*\d)", NoOptions},
    {Id::orgWebAddress, "org.webAddress", uR"(^(?:https?://|www\.))", NoOptions},
    {Id::orgDigitStart, "org.digitStart", uR"(^[0-9])", NoOptions},
    {Id::orgTwoLetters, "org.twoLetters", uR"([A-Za-z\u4e00-\u9fa5]{2})", NoOptions},
    // One to five capitalised words and a legal-form suffix; group 1 is the name. Searched
    // with capitalisedMatches().
    {Id::enOrgs, "org.englishCompany",
     u"\\b([A-Z][" NAME_WORD_CHARS u"]*(?:\\s+[A-Z][" NAME_WORD_CHARS u"]*){0,4}[,\\s]\\s*" LEGAL_FORM
     u")",
     NoOptions},
    {Id::nameBeforeTaxNumber, "party.nameBeforeTaxNumber",
     uR"(([\u4e00-\u9fa5][\u4e00-\u9fa5A-Za-z0-9（）()·&]{3,39})\s*(?:统一社会信用代码|纳税人识别号))",
     CaseInsensitive},
    {Id::nameAfterLabel, "party.nameAfterLabel",
     uR"(名称[：:]\s*([\u4e00-\u9fa5][\u4e00-\u9fa5A-Za-z0-9（）()·&]{3,39}))", CaseInsensitive},
    // The shortest name ending in an organisation word and not followed by an ideograph.
    // Such a match spans at most 36 characters, so a run of more than 36 ideographs from
    // the start can hold none; the look-ahead says so in one pass instead of trying every
    // length against every organisation word.
    {Id::nameWithOrgWord, "party.nameWithOrgWord",
     uR"((?=(?>[\u4e00-\u9fa5]{0,36})(?:[^\u4e00-\u9fa5]|$))([\u4e00-\u9fa5（）()A-Za-z]{2,30}?)" ORG_WORDS
     uR"()(?![\u4e00-\u9fa5]))",
     CaseInsensitive},
    // An e-mail address beside a name: "Acme Billing <billing@acme.com>".
    {Id::orgEmail, "org.email", uR"((?<![ \t])[ \t]*(?:<[^<>\n]*@[^<>\n]*>|(?<![^\s(])\(?[^\s()<>@]+@[^\s()<>@]+\)?)[ \t]*)",
     NoOptions},
    // A tax number and what follows it: NIP, VAT, Tax ID, 税号.
    {Id::orgTaxNumber, "org.taxNumber",
     uR"((?<![ \t,;])[ \t,;]*(?:\b(?:NIP|VAT(?:[ \t]*(?:No\.?|ID|Reg\.?|Number))?|Tax[ \t]*ID|TIN|EIN|ABN|GST(?:IN)?|UID|USt-?IdNr\.?|KRS|REGON)\b|税号|纳税人识别号|统一社会信用代码).*$)",
     CaseInsensitive},
    // A line that is itself a label, never a name.
    {Id::orgLabelLatin, "org.labelLatin",
     uR"(^(?:Date|Invoice(?:\s*(?:No\.?|Number|Date|#))?|Due\s+Date|Page|Total|Amount|Description|Qty|Quantity|Unit\s+Price|Price|Tax|VAT|Phone|Tel|Fax|E-?mail|Address|Account(?:\s+(?:No\.?|Number))?|Reference|Ref\.?|Order(?:\s*(?:No\.?|Number|#|Date))?|Customer(?:\s*(?:No\.?|ID|Number))?|Ship\s+To|Bill\s+To|Sold\s+To|From|To|Subject|Receipt|Statement|Balance|Payment|Terms|Notes?)[ \t]*[:：#.]?$)",
     CaseInsensitive},
    {Id::orgLabelChinese, "org.labelChinese",
     uR"(开户银行|开户行|识别号|账号|地址|电话|名称|日期|税号|信用代码|金额|合计)", NoOptions},
    // A shop's or a company's name heading its own form: "某某五金店销售单", "某某公司收据".
    {Id::letterheadName, "party.letterheadName",
     uR"(^[ \t]*([\u4e00-\u9fa5（）()]{2,30}?)" ORG_WORDS uR"()(?=[ \t]*(?:销售单|销货单|送货单|出库单|结算单|收款收据|收据|发票|小票|单据|$)))",
     Rx::AnchorsMatchLines},
    // A Chinese name after the label of its role.
    {Id::buyerByRole, "party.buyerByRole",
     uR"((?:购买方|购方|买方|购货单位|付款方)(?:名称|信息)?[ \t]*[：:]?[ \t]*(?:名称[ \t]*[：:])?[ \t]*([\u4e00-\u9fa5][\u4e00-\u9fa5A-Za-z0-9（）()·&]{3,39}))",
     NoOptions},
    {Id::sellerByRole, "party.sellerByRole",
     uR"((?:销售方|销方|卖方|销货单位|收款单位|收款方|开票单位)(?:名称|信息)?(?:（盖章）|\(盖章\))?[ \t]*[：:]?[ \t]*(?:名称[ \t]*[：:])?[ \t]*([\u4e00-\u9fa5][\u4e00-\u9fa5A-Za-z0-9（）()·&]{3,39}))",
     NoOptions},
    {Id::institutionSentenceStart, "institution.sentenceStart",
     uR"(^(?:the|your|our|this|that|new|total|please|thank|dear|all)\b)", CaseInsensitive},
    {Id::institutionAddress, "institution.address",
     uR"(\b(?:Road|Street|Avenue|Boulevard|Drive|Lane|Suite|Floor|Highway|Rd|Blvd|Ave|Hwy|P\.?O\.?\s*Box)\b)",
     CaseInsensitive},
    {Id::installerName, "detect.installerName", uR"((?i)(setup|installer|安装包|安装程序))",
     CaseInsensitive},
    {Id::screenshotName, "detect.screenshotName",
     uR"((?i)(截屏|截图|screenshot|screen shot|cleanshot|shottr|snip|微信图片))", CaseInsensitive},
    // Names that desktops and phones give screenshots: "Screenshot from 2024-03-05 …",
    // "Screen Shot … at …", 截屏…, 屏幕截图…, 微信截图_…, "Snipaste_…".
    {Id::screenshotNameStrong, "detect.screenshotNameStrong",
     uR"((?i)(截屏|截图|screenshot|screen[ _-]?shot|cleanshot|shottr|snipaste|bildschirmfoto|capture d.écran|スクリーンショット))",
     CaseInsensitive},
    {Id::idNumberCitizen, "detect.idNumberCitizen", uR"(\b\d{17}[\dXx]\b)", CaseInsensitive},
    {Id::idNumberPassport, "detect.idNumberPassport", uR"((?i)passport\s*(no|number|号))",
     CaseInsensitive},
    {Id::idNumberSocial, "detect.idNumberSocial", uR"(\b\d{3}-\d{2}-\d{4}\b)", CaseInsensitive},
    {Id::arxivId, "detect.arxivId", uR"((?i)arxiv[:\s]*(\d{4}\.\d{4,5}))", CaseInsensitive},
    {Id::doi, "detect.doi", uR"(10\.\d{4,9}/[-._;()/:A-Za-z0-9]+)", CaseInsensitive},
    // The goods category between asterisks on a line of a Chinese e-invoice: "*餐饮服务*餐费".
    {Id::invoiceItem, "detect.invoiceItem", uR"(\*[^*\n]{0,20}\*\s*([\u4e00-\u9fa5]{2,10}))",
     CaseInsensitive},
    {Id::buyerRegion, "detect.buyerRegion",
     uR"(^([\u4e00-\u9fa5]{2,10}?(?:综合保税区|保税港区|保税区|经济技术开发区|经济开发区|高新技术产业开发区|高新区|开发区|工业园区|产业园区|新区|自治州|自治区|省|市)))",
     CaseInsensitive},
    // "北京-上海", "上海 - 北京", "上海至北京", "上海→北京".
    {Id::routeCjk, "detect.routeCjk",
     uR"(([\u4e00-\u9fa5]{2,6})[ \t]*(?:[-—–→－~]|至|到)[ \t]*([\u4e00-\u9fa5]{2,6}))", CaseInsensitive},
    // Airport codes must be upper case.
    {Id::routeAirport, "detect.routeAirport",
     uR"(\b([A-Z]{3})\s*(?:[-—→]|(?i:to))\s*([A-Z]{3})\b)", NoOptions},
    // "London St Pancras → Paris", "Frankfurt (FRA) → Tokyo Haneda (HND)": groups 1 and 3
    // the places, 2 and 4 their airport codes.
    {Id::routeLatinArrow, "detect.routeLatinArrow",
     uR"((?<![A-Za-z.'-])([A-Z][A-Za-z.'-]*(?:[ \t]+[A-Z][A-Za-z.'-]*){0,3})(?:[ \t]*\(([A-Z]{3})\))?[ \t]*(?:→|->|⇒|⟶)[ \t]*([A-Z][A-Za-z.'-]*(?:[ \t]+[A-Z][A-Za-z.'-]*){0,3})(?:[ \t]*\(([A-Z]{3})\))?)",
     NoOptions},
    // "from New York to Washington".
    {Id::routeLatinFromTo, "detect.routeLatinFromTo",
     uR"(\b(?i:from)[ \t]+([A-Z][A-Za-z.'-]*(?:[ \t]+[A-Z][A-Za-z.'-]*){0,3})[ \t]+(?i:to)[ \t]+([A-Z][A-Za-z.'-]*(?:[ \t]+[A-Z][A-Za-z.'-]*){0,3}))",
     NoOptions},
    // The author block of a paper: a university, an institute, a laboratory.
    {Id::paperAffiliation, "detect.paperAffiliation",
     uR"(\b(?:Universit(?:y|ät|é|à|eit|ad)|Institute|Institut|Academy|College|School\s+of|Laborator(?:y|ies)|Department\s+of|Faculty\s+of|Research\s+Cent(?:er|re))\b|大学|学院|研究所|研究院|实验室|研究中心|科学院)",
     CaseInsensitive},
    // A title that names rules, a policy or terms.
    {Id::policyTitleLatin, "detect.policyTitleLatin",
     uR"(\b(?:Polic(?:y|ies)|Terms|Conditions|Guidelines?|Rules|Regulations?|Procedures?|Handbook|Manual|FAQ|Fee\s+Schedule|Pricing|Tariffs?)\b)",
     CaseInsensitive},
    {Id::policyTitleChinese, "detect.policyTitleChinese",
     uR"((?:办法|制度|规定|条例|细则|政策|须知|守则|指南|规范|流程|手册|章程|收费标准)$)", NoOptions},
    // Numbered clauses: 第三条, "Article 4", "Section 2".
    {Id::contractClauses, "detect.contractClauses",
     uR"(第[一二三四五六七八九十百0-9]{1,4}条|(?m)^[ \t]*(?:Article|Section|Clause)[ \t]+[0-9IVX]{1,4}\b)",
     CaseInsensitive},
    {Id::contractTitleBrackets, "detect.contractTitleBrackets", uR"(《([^》]{2,30})》)",
     CaseInsensitive},
    {Id::labelLine, "detect.labelLine", uR"(^[^:：\n]{1,16}[:：][ \t]*\S)", NoOptions},
    // A money figure: a currency sign or code beside digits, or a number with two decimals.
    {Id::moneyFigure, "detect.moneyFigure",
     uR"([¥￥$€£]\s?[0-9]|\b(?:USD|CNY|RMB|EUR|GBP|HKD|JPY)\s?[0-9]|[0-9]\s?(?:元|USD|CNY|RMB|EUR|GBP)|(?<![0-9])[0-9]+[.,][0-9]{2}(?![0-9]))",
     NoOptions},
    // The lines of a till receipt: a subtotal, and a total.
    {Id::tillSubtotal, "detect.tillSubtotal", uR"(\bSub-?\s?total\b|小计)", CaseInsensitive},
    {Id::tillTotal, "detect.tillTotal", uR"(\b(?:Total|Balance\s+Due)\b|合计|总计|实收|应收)",
     CaseInsensitive},
    {Id::balanceWord, "detect.balanceWord", uR"(\bbalance\b)", CaseInsensitive},
    // "1 Introduction", "I. INTRODUCTION": a section heading on a line of its own.
    {Id::introductionHeading, "detect.introductionHeading",
     uR"((?m)^[ \t]*(?:[0-9IV]{1,3}\.?[ \t]+)?Introduction[ \t]*$)", CaseInsensitive},
    // A label a model may put before its answer: "标题：…", "Title: …".
    {Id::answerLabel, "detect.answerLabel",
     uR"(^(?:标题|题目|主题|名称|销售方|公司|作者|Title|Topic|Name|Seller|Answer)\s*[:：]\s*)",
     CaseInsensitive},
};

constexpr bool tableInIdOrder()
{
    if (std::size(fixedTable) != static_cast<size_t>(Id::count))
        return false;
    for (size_t i = 0; i < std::size(fixedTable); ++i) {
        if (static_cast<size_t>(fixedTable[i].id) != i)
            return false;
    }
    return true;
}
static_assert(tableInIdOrder(), "one table row per pattern id, in id order");

// English month names; the first three letters are the key of the month.
constexpr char16_t monthName[] =
    uR"((?:Jan(?:uary)?|Feb(?:ruary)?|Mar(?:ch)?|Apr(?:il)?|May|Jun(?:e)?|Jul(?:y)?|Aug(?:ust)?|Sept?(?:ember)?|Oct(?:ober)?|Nov(?:ember)?|Dec(?:ember)?))";

// The name of an institution: up to five capitalised words (with "of", "the", "and"
// between them), the tail word, up to two capitalised words after it. Group 1. The runs of
// blanks around an optional comma after the tail are taken whole (capitals or a comma
// follow them), which spares a search from trying every split of a long run.
QString institutionCore(const QString &tail)
{
    const QString word = QString::fromUtf16(u"[A-Z][" NAME_WORD_CHARS u"]*");
    return QStringLiteral("(") + word + QStringLiteral(R"((?:[ \t]+(?:of|the|and|)") + word
           + QStringLiteral(R"()){0,4}(?:[ \t]*,)?[ \t]+(?i:)") + tail
           + QStringLiteral(R"()\b(?:(?>[ \t]*),?(?>[ \t]*))") + word + QStringLiteral(R"(){0,2}\.?))");
}

struct WordList
{
    const char *name;
    QStringList entries;
};

// In the order of Words.
const std::array<WordList, static_cast<size_t>(Words::count)> &wordLists()
{
    static const std::array<WordList, static_cast<size_t>(Words::count)> lists{{
        {"idTitle",
         {R"(Driver'?s?\s+Licen[sc]e)", R"(Driving\s+Licen[sc]e)", R"(Social\s+Security)",
          R"(Identity\s+Card)", R"(Residence\s+Permit)", R"(Green\s+Card)"}},
        {"idField",
         {R"(Date\s+of\s+Issue)", R"(Place\s+of\s+Birth)", R"(Given\s+Names?)", "Surname",
          R"(Issuing\s+Authority)", R"(Expiration\s+Date)", R"(Licen[sc]e\s+(?:No|Number))",
          R"(Class\s+(?:No|Number))", "DOB"}},
        {"invoice",
         {R"(Bill\s+To)", R"(Billed\s+To)", R"(Sold\s+By)", R"(Invoice\s+(?:No|Number|ID|Date|Total))",
          R"(Tax\s+Invoice)", R"(Sales\s+Receipt)", R"(Purchase\s+Receipt)",
          R"(Order\s+Confirmation)", R"(Receipt\s+(?:No|Number))", R"(Remit\s+To)",
          R"(Amount\s+Due)"}},
        {"receipt", {"Receipt"}},
        {"payment",
         {R"(Payment\s+(?:Confirmation|Received|Successful|Sent|Complete))",
          R"(Transaction\s+(?:Complete|Completed|Successful))", "Charged", "Refunded?",
          R"(Receipt\s+of\s+Payment)", R"(Successfully\s+paid)"}},
        {"statement",
         {R"(Billing\s+Statement)", R"(Account\s+Summary)", R"(Statement\s+Period)",
          R"(Statement\s+of\s+Account)", R"(Closing\s+Balance)", R"(Opening\s+Balance)",
          R"(Beginning\s+Balance)", R"(Ending\s+Balance)", R"(Available\s+Credit)",
          R"(Minimum\s+Payment\s+Due)", R"(Previous\s+Balance)"}},
        {"contractTitle",
         {R"(Non-?Disclosure(?:\s+Agreement)?)", "NDA", R"(Terms\s+and\s+Conditions)",
          R"(Terms\s+of\s+Service)", R"(Master\s+Services?\s+Agreement)",
          R"(Services?\s+Agreement)", R"(Letter\s+of\s+Intent)",
          R"(Memorandum\s+of\s+Understanding)", R"(Statement\s+of\s+Work)"}},
        {"contractBody",
         {R"(Effective\s+Date)", "Whereas", R"(IN\s+WITNESS\s+WHEREOF)", R"(by\s+and\s+between)",
          R"(hereby\s+agrees?)", R"(Governing\s+Law)", R"(Confidential\s+Information)",
          "Signature", R"(Signed\s+by)", R"(Disclosing\s+Party)", R"(Receiving\s+Party)"}},
        {"travel",
         {"Flights?", "E-?ticket", R"(Boarding\s+Pass)", "Departure", "Arrival",
          R"(Booking\s+(?:Confirmation|Reference))", R"(Hotel\s+Confirmation)",
          R"(Confirmation\s+(?:No|Number|Code))", "PNR", "Passenger", "Check-?out"}},
        {"paperKeywords", {"Keywords", R"(Key\s+words)", R"(Index\s+Terms)"}},
        {"contractTitleLine",
         {"NDA", R"(Terms\s+and\s+Conditions)", R"(Memorandum\s+of\s+Understanding)",
          R"(Letter\s+of\s+Intent)", R"(Statement\s+of\s+Work)"}},
        {"contractBinding",
         {"Whereas", R"(IN\s+WITNESS\s+WHEREOF)", R"(by\s+and\s+between)",
          R"(Disclosing\s+Party)", R"(Receiving\s+Party)"}},
        {"invoiceStrong",
         {R"(Bill\s+To)", R"(Billed\s+To)", R"(Sold\s+By)", R"(Invoice\s+(?:No|Number|ID|Date|Total))",
          R"(Tax\s+Invoice)", R"(Sales\s+Receipt)", R"(Purchase\s+Receipt)",
          R"(Receipt\s+(?:No|Number))", R"(Remit\s+To)"}},
        {"paymentStrong",
         {R"(Payment\s+(?:Confirmation|Received|Successful|Sent|Complete))",
          R"(Transaction\s+(?:Complete|Completed|Successful))", R"(Receipt\s+of\s+Payment)",
          R"(Successfully\s+paid)"}},
    }};
    return lists;
}

} // namespace

const QStringList &words(Words list)
{
    return wordLists()[static_cast<size_t>(list)].entries;
}

const Rx::Pattern &wordPattern(Words list)
{
    static const auto patterns = [] {
        std::array<std::unique_ptr<const Rx::Pattern>, static_cast<size_t>(Words::count)> compiled;
        for (size_t i = 0; i < compiled.size(); ++i)
            compiled[i] = std::make_unique<const Rx::Pattern>(Rx::wordPattern(wordLists()[i].entries),
                                                              Rx::CaseInsensitive);
        return compiled;
    }();
    return *patterns[static_cast<size_t>(list)];
}

const Rx::Pattern &get(Id id)
{
    static const auto patterns = [] {
        std::array<std::unique_ptr<const Rx::Pattern>, static_cast<size_t>(Id::count)> list;
        for (size_t i = 0; i < list.size(); ++i)
            list[i] = std::make_unique<const Rx::Pattern>(QString::fromUtf16(fixedTable[i].source),
                                                          fixedTable[i].options);
        return list;
    }();
    return *patterns[static_cast<size_t>(id)];
}

QString anchorPrefix(const QString &anchor)
{
    return anchor + QStringLiteral("[^0-9]{0,10}");
}

QString isoDate(const QString &prefix)
{
    return prefix + QStringLiteral(R"((20\d{2})[-/.年](\d{1,2})[-/.月](\d{1,2}))");
}

QString monthNameDate(const QString &prefix)
{
    // Groups 1-3: month, day, year of "March 5, 2024"; groups 4-6: day, month, year of
    // "5 March 2024"; groups 7-9 the airline form "12MAR24". Between day and year: spaces around a comma, or spaces alone (the
    // same texts as "\s*(?:,\s*|\s+)", without trying every split of a run of spaces).
    const QString m = QString::fromUtf16(monthName);
    return prefix + QStringLiteral(R"((?:\b()") + m
           + QStringLiteral(R"()\.?\s+(\d{1,2})(?:st|nd|rd|th)?(?:\s*,\s*|\s+)(\d{4}|\d{2}))")
           + QStringLiteral(R"(|\b(\d{1,2})(?:st|nd|rd|th)?\s+()") + m
           + QStringLiteral(R"()\.?,?\s+(\d{4}|\d{2}))")
           // Groups 7-9: day, month, year of the airline form "12MAR24".
           + QStringLiteral(R"(|\b(\d{1,2})(JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC)(\d{4}|\d{2})(?![A-Za-z]))")
           + QStringLiteral(R"()(?![0-9]))");
}

QString numericDate(const QString &prefix)
{
    return prefix + QStringLiteral(R"((?<![0-9])(\d{1,2})([-/.])(\d{1,2})\2(\d{4}|\d{2})(?![0-9]))");
}

QString excludedDateLabels()
{
    return QStringLiteral(
        R"((?:\b(?:Due\s+Date|Date\s+Due|Payment\s+Due(?:\s+Date)?|Due(?:\s+(?:on|by))?|Pay\s+by|)"
        R"(Booked(?:\s+on)?|Booking\s+Date|Date\s+of\s+Booking|Printed(?:\s+on)?|Print\s+Date|)"
        R"(Date\s+Printed|Date\s+Received|Paid\s+(?:until|through|thru)|Valid\s+(?:until|through|thru|to)|)"
        R"(Expir(?:es|y\s+Date|y|ation\s+Date)|Date\s+of\s+Expiry|Date\s+of\s+Birth|Birth\s*Date|DOB|)"
        R"(Born(?:\s+on)?|Start\s+Date|Period\s+Start)\b|(?m:^[ \t]*Received[ \t]*$)|)"
        R"(到期还款日|最后还款日|还款日|到期日|截止日期|付款期限|打印日期|打印时间|预订日期|预订时间|)"
        R"(有效期至|有效期限|有效期|出生日期|出生|起始日期|开始日期))");
}

QString dateRangeSeparator()
{
    // A Chinese date's closing 日 stands before the separator: "2024年01月20日至…".
    return QStringLiteral(R"(^[日号]?[ \t]*(?:-|–|—|~|～|至|到|(?i:to|through|thru|until))[ \t]*$)");
}

QString yearMonth(const QString &anchor)
{
    return anchorPrefix(anchor) + QStringLiteral(R"((20\d{2})[-/.年](\d{1,2})[-/.月])");
}

QString lineAfterAnchor(const QString &anchor)
{
    return QStringLiteral(R"(\b)") + anchor
           + QStringLiteral(R"(\b\s*[:：]?[ \t]*\r?\n?[ \t]*([^\n\r]{2,80}))");
}

QString institutionOnLine(const QString &tail)
{
    return QStringLiteral(R"(^[ \t]*)") + institutionCore(tail) + QStringLiteral(R"([ \t]*$)");
}

QString institutionAnywhere(const QString &tail)
{
    return QStringLiteral(R"(\b)") + institutionCore(tail);
}

const QStringList &buyerAnchors()
{
    static const QStringList anchors{
        QStringLiteral(R"(Bill\s+To)"),    QStringLiteral(R"(Billed\s+To)"),
        QStringLiteral(R"(Sold\s+To)"),    QStringLiteral(R"(Invoice\s+To)"),
        QStringLiteral("Customer"),        QStringLiteral("Client"),
        QStringLiteral("Buyer"),           QStringLiteral(R"(Ship\s+To)")};
    return anchors;
}

const QStringList &sellerAnchors()
{
    static const QStringList anchors{
        QStringLiteral(R"(Sold\s+By)"), QStringLiteral(R"(Bill\s+From)"),
        QStringLiteral(R"(Remit\s+To)"), QStringLiteral("Vendor"),
        QStringLiteral("Merchant"),      QStringLiteral("Seller"),
        QStringLiteral("Supplier"),
        // "From" only as a label at the start of a line, never in a sentence.
        QStringLiteral(R"((?<![^\n])From(?=[ \t]*(?:[:：]|\n|$)))")};
    return anchors;
}

QString bankTail()
{
    return QStringLiteral(
        R"((?:Bank|Bancorp|N\.A|National[ \t]+Association|Credit[ \t]+Union|F\.S\.B|Building[ \t]+Society|Trust[ \t]+Company))");
}

QString travelTail()
{
    return QStringLiteral(
        R"((?:Airlines?|Airways?|Air[ \t]+Lines?|Hotels?|Inn|Suites?|Resorts?|Lodge|Hostel|Railways?|Cruises?))");
}

namespace {

bool isAsciiAlnum(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
}

bool isNameWordChar(QChar c)
{
    return isAsciiAlnum(c) || QStringView(u"&'’.-").contains(c);
}

} // namespace

QStringList capitalisedMatches(const Rx::Pattern &pattern, const QString &text, int group,
                               bool *hitLimit)
{
    static const Rx::Pattern boundary(QStringLiteral(R"(\b)"), Rx::NoOptions);
    QStringList found;
    Rx::Matcher match(pattern, text);
    Rx::Matcher atBoundary(boundary, text);
    const qsizetype n = text.size();
    qsizetype from = 0;
    while (from < n) {
        // A match starts at a capital letter after a word boundary, never after an ASCII
        // letter or digit.
        qsizetype start = from;
        while (start < n
               && !(text[start] >= u'A' && text[start] <= u'Z'
                    && (start == 0 || !isAsciiAlnum(text[start - 1]))))
            ++start;
        if (start >= n)
            break;
        if (!atBoundary.matchAt(start)) {
            from = start + 1;
            continue;
        }
        if (match.matchAt(start)) {
            if (auto value = match.group(group))
                found << *value;
            from = std::max(match.end(), start + 1);
            continue;
        }
        if (match.hitLimit())
            break;
        // Every later start in this run fails the same way.
        from = start;
        while (from < n && isNameWordChar(text[from]))
            ++from;
    }
    if (hitLimit)
        *hitLimit = match.hitLimit();
    return found;
}

Rx::ScanResult scan(const Entry &entry, const QString &text)
{
    const Rx::Pattern pattern(entry.source, entry.options);
    if (!entry.capitalisedStart)
        return Rx::scan(pattern, text);
    Rx::ScanResult result;
    result.valid = pattern.isValid();
    QElapsedTimer timer;
    timer.start();
    bool hitLimit = false;
    result.matches = capitalisedMatches(pattern, text, 0, &hitLimit).size();
    result.hitLimit = hitLimit;
    result.seconds = timer.nsecsElapsed() / 1e9;
    return result;
}

QList<Entry> catalogue()
{
    QList<Entry> list;
    for (const Fixed &row : fixedTable)
        list << Entry{QString::fromLatin1(row.name), QString::fromUtf16(row.source), row.options,
                      row.id == Id::enOrgs};

    // Dates: anywhere, and after an anchor of each script.
    const QStringList prefixes{QString(), anchorPrefix(QStringLiteral("Invoice Date")),
                               anchorPrefix(QStringLiteral("开票日期"))};
    for (const QString &prefix : prefixes) {
        const QString suffix = prefix.isEmpty() ? QStringLiteral("anywhere")
                                                : QStringLiteral("anchored");
        list << Entry{QStringLiteral("date.iso.") + suffix, isoDate(prefix), CaseInsensitive}
             << Entry{QStringLiteral("date.monthName.") + suffix, monthNameDate(prefix),
                      CaseInsensitive}
             << Entry{QStringLiteral("date.numeric.") + suffix, numericDate(prefix),
                      CaseInsensitive};
    }
    for (const QString &anchor : {QString(), QStringLiteral("Statement Period")})
        list << Entry{QStringLiteral("date.yearMonth.")
                          + QLatin1String(anchor.isEmpty() ? "anywhere" : "anchored"),
                      yearMonth(anchor), CaseInsensitive};

    list << Entry{QStringLiteral("date.excludedLabels"), excludedDateLabels(), CaseInsensitive};
    for (const QStringList *anchors : {&buyerAnchors(), &sellerAnchors()}) {
        for (const QString &anchor : *anchors)
            list << Entry{QStringLiteral("party.lineAfter.") + anchor, lineAfterAnchor(anchor),
                          CaseInsensitive};
    }
    for (const WordList &words : wordLists())
        list << Entry{QStringLiteral("words.") + QLatin1String(words.name),
                      Rx::wordPattern(words.entries), CaseInsensitive};

    const QList<std::pair<QString, QString>> tails{{QStringLiteral("bank"), bankTail()},
                                                   {QStringLiteral("travel"), travelTail()}};
    for (const auto &[name, tail] : tails) {
        list << Entry{QStringLiteral("institution.onLine.") + name, institutionOnLine(tail),
                      Rx::AnchorsMatchLines}
             << Entry{QStringLiteral("institution.anywhere.") + name, institutionAnywhere(tail),
                      NoOptions, true};
    }
    return list;
}

} // namespace ContentPatterns
