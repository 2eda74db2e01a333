#include "ScenarioDetection.h"

#include "ContentPatterns.h"
#include "Extractor.h"
#include "Keywords.h"
#include "Localization.h"
#include "Namer.h"
#include "NamingCore.h"
#include "TextUtil.h"

#include <QFile>
#include <QFileInfo>

namespace ScenarioDetector {

namespace {

using ContentPatterns::Id;
using ContentPatterns::Words;
using Conf = ScenarioMatch::Conf;

// ---------------------------------------------------------------------------------------
// Keyword lists, matched as words of their own (Keywords).

const QStringList &installerExtensions()
{
    // The Linux packages beside the macOS and Windows ones.
    static const QStringList list{"dmg", "pkg", "exe", "msi", "iso", "deb", "rpm",
                                  "appimage", "flatpak", "flatpakref", "snap"};
    return list;
}

// Sources whose text is the document's own content.
const QStringList &contentSources()
{
    static const QStringList list{ContentSource::pdfText, ContentSource::text, ContentSource::office,
                                  ContentSource::pdfOcr, ContentSource::imageOcr};
    return list;
}

const QStringList &idTitlesChinese()
{
    static const QStringList list{"身份证", "公民身份号码", "护照", "Passport", "驾驶证", "驾照",
                                  "港澳通行证", "居住证"};
    return list;
}

const QStringList &idFields()
{
    static const QStringList list{"签发机关", "有效期限", "公民身份号码", "出生", "性别", "民族",
                                  "Nationality", "Date of Birth", "Date of Expiry"};
    return list;
}

// Words that confirm a payment only weakly: "Paid" is found inside "unpaid" and "prepaid",
// and bookings and contracts say 已支付 of a deposit.
const QStringList &paymentWordsWeak()
{
    static const QStringList list{"Paid", "已支付"};
    return list;
}

const QStringList &paymentWordsStrong()
{
    // 电子回单 is the receipt a bank issues for a transfer.
    static const QStringList list{"支付成功", "付款成功", "转账成功", "交易成功", "收款成功",
                                  "Payment Successful", "支付凭证", "转账凭证", "电子回单"};
    return list;
}

// Words a contract, a paper or a booking may also mention in passing; 收据 is the Chinese
// receipt.
const QStringList &invoiceWordsWeak()
{
    static const QStringList list{"发票", "增值税", "Invoice", "收据"};
    return list;
}

// Labels that only invoices (and the itinerary that serves as a flight's invoice) print.
const QStringList &invoiceWordsStrong()
{
    static const QStringList list{"价税合计", "纳税人识别号", "购买方", "销售方", "开票日期",
                                  "发票号码", "发票代码", "电子客票", "行程单", "Tax Invoice"};
    return list;
}

const QStringList &statementWords()
{
    static const QStringList list{"对账单", "账户对账单", "信用卡账单", "月结单", "Statement",
                                  "Account Statement"};
    return list;
}

// Statement words that name the document, unlike the bare word "Statement".
const QStringList &statementNames()
{
    static const QStringList list{"对账单", "账户对账单", "信用卡账单", "月结单", "Account Statement"};
    return list;
}

// Titles of Chinese statements, with those banks print on transaction histories and
// electronic card bills.
const QStringList &statementTitlesChinese()
{
    static const QStringList list{"对账单", "信用卡账单", "月结单", "交易流水", "账户明细", "电子账单"};
    return list;
}

const QStringList &statementMarkersChinese()
{
    static const QStringList list{"账单周期", "账单日", "还款日", "本期应还", "上期账单", "本期账单",
                                  "期初余额", "期末余额", "交易明细", "最低还款", "余额"};
    return list;
}

const QStringList &statementFileWords()
{
    static const QStringList list{"对账单", "账单", "statement"};
    return list;
}

const QStringList &contractWords()
{
    static const QStringList list{"合同", "协议", "备忘录", "Agreement", "Contract", "MOU"};
    return list;
}

const QStringList &contractTitleWords()
{
    static const QStringList list{"合同", "协议", "备忘录", "Agreement", "Contract"};
    return list;
}

const QStringList &partyWords()
{
    static const QStringList list{"甲方", "乙方", "丙方", "各方", "签署", "签订", "盖章", "Party",
                                  "Parties", "本协议", "本合同"};
    return list;
}

// The parties of leases and service contracts, named by their roles.
const QStringList &partyRoles()
{
    static const QStringList list{"出租方", "承租方", "委托方", "受托方", "Landlord", "Tenant",
                                  "Lessor", "Lessee"};
    return list;
}

const QStringList &contractSelfReferences()
{
    static const QStringList list{"本协议", "本合同"};
    return list;
}

const QStringList &travelChinese()
{
    static const QStringList list{"行程单", "电子客票", "航班", "登机牌", "Boarding", "Itinerary",
                                  "车次", "检票口", "酒店确认", "入住", "离店", "Check-in",
                                  "Reservation", "商务座", "一等座", "二等座", "硬座", "硬卧",
                                  "软卧"};
    return list;
}

const QStringList &abstractWords()
{
    static const QStringList list{"Abstract", "摘要"};
    return list;
}

const QStringList &referenceWords()
{
    static const QStringList list{"References", "参考文献", "Bibliography"};
    return list;
}

// What follows a paper's abstract on its first page; the reference list lies beyond the
// excerpt that naming reads.
const QStringList &paperFrontWords()
{
    static const QStringList list{"关键词", "关键字", "引言"};
    return list;
}

// Words of air travel: an air itinerary also prints 电子客票号, which marks a railway ticket.
const QStringList &airWords()
{
    static const QStringList list{"航空", "航班", "民航", "承运人", "Flight", "Airline"};
    return list;
}

// Names of laws and rules, which a contract cites in 《…》 as well.
const QStringList &lawSuffixes()
{
    static const QStringList list{"法", "法典", "条例", "规定", "办法", "细则", "解释"};
    return list;
}

// ---------------------------------------------------------------------------------------
// Lookup tables: the first key the text contains gives the display text.

struct Lookup
{
    const char *key;
    const char *display;
    bool localised; // the display text is a localisation key
};

// The front of a Chinese identity card prints 公民身份号码 but not 身份证; English titles
// name the same documents.
constexpr Lookup idNames[] = {
    {"身份证", LKey("身份证"), true},           {"公民身份号码", LKey("身份证"), true},
    {"护照", LKey("护照"), true},               {"Passport", LKey("护照"), true},
    {"驾驶证", LKey("驾照"), true},             {"驾照", LKey("驾照"), true},
    {"Driver License", LKey("驾照"), true},     {"Driver's License", LKey("驾照"), true},
    {"Drivers License", LKey("驾照"), true},    {"Driving Licence", LKey("驾照"), true},
    {"Driving License", LKey("驾照"), true},    {"港澳通行证", LKey("通行证"), true},
    {"居住证", LKey("居住证"), true},           {"Residence Permit", LKey("居住证"), true},
    {"Identity Card", LKey("身份证"), true},
};

constexpr Lookup paymentChannels[] = {
    {"微信支付", LKey("微信支付"), true}, {"微信", LKey("微信支付"), true},
    {"支付宝", LKey("支付宝"), true},     {"Alipay", LKey("支付宝"), true},
    {"云闪付", LKey("云闪付"), true},     {"PayPal", "PayPal", false},
    {"Stripe", "Stripe", false},          {"Apple Pay", "Apple Pay", false},
    {"Venmo", "Venmo", false},            {"Zelle", "Zelle", false},
    {"银行", LKey("银行"), true},
};

const QStringList &chineseBanks()
{
    static const QStringList list{"招商银行", "工商银行", "建设银行", "中国银行", "农业银行",
                                  "交通银行", "中信银行", "浦发",     "民生银行", "平安银行",
                                  "兴业银行", "广发",     "邮储"};
    return list;
}

// Carriers, rail operators and agents: the table's keys in order, each with the name
// used in file names.
const QList<std::pair<QString, QString>> &carriers()
{
    static const QList<std::pair<QString, QString>> table = [] {
        QList<std::pair<QString, QString>> rows;
        QFile file(QStringLiteral(":/content/carriers.tsv"));
        if (!file.open(QIODevice::ReadOnly))
            return rows;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            if (line.startsWith(u'#'))
                continue;
            const QStringList fields = line.split(u'\t');
            if (fields.size() >= 2 && !fields[0].trimmed().isEmpty())
                rows << std::pair{fields[0].trimmed(), fields[1].trimmed()};
        }
        return rows;
    }();
    return table;
}

QString carrierIn(const QString &text)
{
    for (const auto &[key, display] : carriers()) {
        if (Keywords::contains(key, text))
            return display;
    }
    return QString();
}

template<size_t N> QString lookup(const Lookup (&table)[N], const QString &text)
{
    for (const Lookup &entry : table) {
        if (Keywords::contains(QString::fromUtf8(entry.key), text))
            return entry.localised ? L(entry.display) : QString::fromUtf8(entry.display);
    }
    return QString();
}

QString firstContained(const QStringList &list, const QString &text)
{
    return Keywords::first(list, text);
}

// ---------------------------------------------------------------------------------------
// What one detection works from.

struct Context
{
    explicit Context(const Describe &engine) : describe(engine) {}

    const Describe &describe;
    QString model;
    QString name;     // the file name
    QString keyName;  // the file name as keyword text
    QString ext;      // lower-case extension
    QString source;
    QString original; // the text as extracted
    QString text;     // readingText(original): what fields are read from
    QString keys;     // keywordText(original): what keyword lists are matched against
    QString page;     // the reading text without a PDF's information lines: what titles are read from
    QString info;     // the PDF's information lines (title, subject, keywords), as read
    QString fileDate;
    int quality = 3;
    bool readable = false;
    QString path;
};

bool matches(Id id, const QString &text)
{
    return Rx::matches(ContentPatterns::get(id), text);
}

bool hasWord(Words list, const QString &text)
{
    return Rx::matches(ContentPatterns::wordPattern(list), text);
}

// How many entries of a whole-word list occur in the text.
int countWords(Words list, const QString &text)
{
    int count = 0;
    for (const QString &word : ContentPatterns::words(list)) {
        if (Rx::matches(Rx::wordPattern({word}), text, Rx::CaseInsensitive))
            ++count;
    }
    return count;
}

int countContained(const QStringList &list, const QString &text)
{
    return Keywords::count(list, text);
}

QString group(Id id, const QString &text, int index)
{
    const auto g = Rx::groups(ContentPatterns::get(id), text);
    return g && g->size() > index ? g->at(index) : QString();
}

QString monthOf(const QString &date)
{
    return date.size() >= 7 ? date.left(7) : date;
}

// Name parts made file-name-safe and joined with "_"; empty parts are left out.
QString joined(const QStringList &parts)
{
    QStringList kept;
    for (const QString &part : parts) {
        const QString safe = slug(part);
        if (!safe.isEmpty())
            kept << safe;
    }
    return kept.join(u'_');
}

QStringList nonEmptyLines(const QString &text)
{
    QStringList lines;
    for (const QString &line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines << trimmed;
    }
    return lines;
}

bool containsHan(const QString &text)
{
    return matches(Id::cjkIdeograph, text);
}

bool containsLetter(const QString &text)
{
    for (QChar c : text) {
        if (c.isLetter())
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------
// Model answers.

// A model's answer as a value: its first line, without a label such as "标题：", without
// quotes or brackets around it and without closing punctuation.
QString tidyAnswer(const QString &reply)
{
    QString value;
    for (const QString &line : reply.split(u'\n')) {
        if (!line.trimmed().isEmpty()) {
            value = line.trimmed();
            break;
        }
    }
    if (const auto g = Rx::groups(ContentPatterns::get(Id::answerLabel), value))
        value = value.mid(g->at(0).size()).trimmed();
    static const QList<std::pair<QChar, QChar>> pairs{
        {u'"', u'"'},   {u'\'', u'\''}, {u'“', u'”'}, {u'‘', u'’'}, {u'「', u'」'},
        {u'『', u'』'}, {u'《', u'》'}, {u'【', u'】'}, {u'`', u'`'}};
    bool changed = true;
    while (changed && value.size() >= 2) {
        changed = false;
        for (const auto &[open, close] : pairs) {
            if (value.startsWith(open) && value.endsWith(close) && value.size() >= 2) {
                value = value.mid(1, value.size() - 2).trimmed();
                changed = true;
                break;
            }
        }
    }
    while (!value.isEmpty() && QStringView(u"。，,；;：:！!").contains(value.back()))
        value.chop(1);
    return value.trimmed();
}

struct Answer
{
    QString value;        // the answer when the text bears it out, else empty
    bool given = false;   // the model gave a non-empty answer
    bool grounded = true; // its grounding verdict; true when none was given
};

Answer ask(const Context &c, const QString &instruction)
{
    std::optional<QString> reply;
    if (c.describe) {
        try {
            reply = c.describe(instruction, c.text, c.model);
        } catch (...) {
            // An engine that fails gives no answer.
            reply.reset();
        }
    }
    const QString value = tidyAnswer(reply.value_or(QString()));
    if (value.isEmpty())
        return {};
    const bool ok = grounded(value, c.original) || grounded(value, c.text);
    return {ok ? value : QString(), true, ok};
}

// ---------------------------------------------------------------------------------------
// Signals read once from a readable text.

struct Signals
{
    // identity documents
    bool idDoc = false;
    bool hasNumber = false;
    // invoices and payments
    bool invoiceSignal = false;
    bool invoiceChinese = false;
    bool invoiceStrong = false;
    bool payment = false;
    bool paymentStrong = false;
    bool tillReceipt = false; // subtotal, total and money: a shop's receipt
    bool money = false;       // a currency amount or a figure with two decimals
    bool shortText = false;   // under 80 characters: a notice or a snippet, not prose
    // statements
    bool statement = false;
    bool statementStrong = false;
    // contracts
    bool contract = false;
    bool contractStrong = false;
    // travel and papers
    int travelHits = 0;
    QString arxivId;
    QString doi;
    bool paperStructure = false;
    bool paperStrong = false; // a paper's own structure: front matter with an author block
    // policies and terms
    bool policy = false;

    bool travel() const { return travelHits > 0; }
    bool paper() const { return !arxivId.isEmpty() || !doi.isEmpty() || paperStructure; }
};

QString contractTitleFromLines(const QString &text);
QString titleLine(const QString &text);

Signals readSignals(const Context &c)
{
    const QString &k = c.keys;
    Signals s;

    const bool idTitle = hasWord(Words::idTitle, k) || Keywords::any(idTitlesChinese(), k);
    s.hasNumber = matches(Id::idNumberCitizen, c.text) || matches(Id::idNumberPassport, k)
                  || matches(Id::idNumberSocial, c.text);
    s.idDoc = idTitle && (Keywords::any(idFields(), k) || s.hasNumber || hasWord(Words::idField, k));

    const bool invoiceEnglish = hasWord(Words::invoice, k);
    const bool receipt = hasWord(Words::receipt, k);
    const bool paymentEnglish = hasWord(Words::payment, k);
    const bool paymentWords = Keywords::any(paymentWordsStrong(), k) || Keywords::any(paymentWordsWeak(), k);
    if (invoiceEnglish)
        s.invoiceSignal = true;
    else if (receipt && !paymentEnglish)
        s.invoiceSignal = !paymentWords;
    s.invoiceChinese = Keywords::any(invoiceWordsWeak(), k) || Keywords::any(invoiceWordsStrong(), k);
    s.invoiceStrong = hasWord(Words::invoiceStrong, k) || Keywords::any(invoiceWordsStrong(), k);
    s.payment = paymentWords || paymentEnglish;
    s.paymentStrong = Keywords::any(paymentWordsStrong(), k) || hasWord(Words::paymentStrong, k);

    s.money = matches(Id::moneyFigure, c.text) || !amount(c.keys).isEmpty();
    s.tillReceipt = s.money && matches(Id::tillSubtotal, k) && matches(Id::tillTotal, k);
    s.shortText = TextUtil::graphemeCount(c.original.trimmed()) < 80;

    // The bare word "statement" is common in prose ("a statement last week"); alone it
    // needs a bank or a balance beside it.
    const int statementPhrases = countWords(Words::statement, k);
    const bool chineseBank = !firstContained(chineseBanks(), k).isEmpty();
    const auto bankOrBalance = [&] {
        return chineseBank || Keywords::contains(QStringLiteral("余额"), k)
               || matches(Id::balanceWord, k)
               || !enInstitution(c.text, ContentPatterns::bankTail()).isEmpty();
    };
    s.statement = statementPhrases > 0 || Keywords::any(statementNames(), k)
                  || (Keywords::any(statementWords(), k) && bankOrBalance());
    s.statementStrong = statementPhrases >= 2
                        || (Keywords::any(statementTitlesChinese(), k)
                            && (statementPhrases > 0 || Keywords::any(statementMarkersChinese(), k)
                                || chineseBank));

    // A contract names itself and shows its parties or clauses; one word of each, as in
    // minutes that "签署补充协议", is a mention, not a contract. Two signals of parties or
    // clauses, or one beneath a contract's title, make one.
    const bool contractWord = Keywords::any(contractWords(), k) || hasWord(Words::contractTitle, k);
    const int contractBody = countContained(partyWords(), k) + countContained(partyRoles(), k)
                             + countWords(Words::contractBody, k);
    // A contract's title counts only above a contract's structure: parties named by their
    // roles, numbered clauses, or the phrases that bind them. One word in a title ("Smart
    // Contract Auditing") makes no contract.
    const bool titled = !contractTitleFromLines(c.page).isEmpty();
    const bool binding = hasWord(Words::contractBinding, k) || Keywords::any(contractSelfReferences(), k)
                         || (k.contains(QStringLiteral("甲方")) && k.contains(QStringLiteral("乙方")));
    const bool structure = binding || Keywords::any(partyRoles(), k)
                           || Keywords::any({"甲方", "乙方", "Party A", "Party B"}, k)
                           || matches(Id::contractClauses, k);
    s.contract = contractWord && (contractBody >= 2 || (contractBody == 1 && titled && structure));
    s.contractStrong = s.contract && (binding || (titled && structure));

    s.travelHits = countWords(Words::travel, k) + countContained(travelChinese(), k);
    s.arxivId = group(Id::arxivId, c.text, 1);
    s.doi = group(Id::doi, c.text, 0);
    s.paperStructure = Keywords::any(abstractWords(), k)
                       && (Keywords::any(referenceWords(), k) || hasWord(Words::paperKeywords, k)
                           || Keywords::any(paperFrontWords(), k) || matches(Id::introductionHeading, k));
    s.paperStrong = !s.arxivId.isEmpty() || (s.paperStructure && matches(Id::paperAffiliation, c.text));

    const QString title = titleLine(c.page);
    s.policy = !title.isEmpty()
               && (matches(Id::policyTitleLatin, title) || matches(Id::policyTitleChinese, keywordText(title)));
    return s;
}

// ---------------------------------------------------------------------------------------
// Assembly per kind.

// Rules every match keeps: no rename offer without a name, and a folder that stays below
// the current one.
ScenarioMatch finish(ScenarioMatch m)
{
    if (m.base.isEmpty())
        m.renameReady = false;
    if (m.folderHint) {
        const QString safe = safeFolder(*m.folderHint);
        m.folderHint = safe.isEmpty() ? std::nullopt : std::optional<QString>(safe);
    }
    return m;
}

bool filingRule(Conf conf, int signalStrength)
{
    return conf == Conf::high || (conf == Conf::medium && signalStrength >= 2);
}

Conf textConfidence(const Context &c)
{
    return c.quality < 3 ? Conf::medium : Conf::low;
}

QString dateOr(const DateHit &hit, const Context &c)
{
    return hit.date.isEmpty() ? c.fileDate : hit.date;
}

ScenarioMatch installer()
{
    ScenarioMatch m;
    m.kind = ScenarioKind::installer;
    m.conf = Conf::high;
    m.recognized = L("这是个安装包/安装器——装完通常就不用留了");
    m.folderHint = L("_安装包");
    m.bucketKeywords = {"安装", "installer", "待清理"};
    m.renameReady = false;
    m.filingReady = true;
    m.note = L("永不删除，只移到 _安装包 集中，方便你装完自己清");
    m.signalStrength = 1;
    return m;
}

ScenarioMatch onlinePlaceholder()
{
    ScenarioMatch m;
    m.kind = ScenarioKind::unknown;
    m.conf = Conf::low;
    m.recognized = L("☁︎ 在线文件（未下载正文）");
    m.note = L("为省流量默认不下载云端文件；要按内容起名/归类，右键选「下载并读内容起名」");
    return m;
}

ScenarioMatch emptyUnknown()
{
    return ScenarioMatch{};
}

ScenarioMatch idDocument(const Context &c, bool hasNumber)
{
    QString document = lookup(idNames, c.keys);
    if (document.isEmpty())
        document = L("证件");
    ScenarioMatch m;
    m.kind = ScenarioKind::idDoc;
    m.base = slug(L("%@_本人", document));
    m.datePrefix = c.fileDate;
    m.folderHint = L("证件");
    m.bucketKeywords = {"证件", "身份", "重要"};
    m.sensitive = true;
    m.renameReady = true;
    m.filingReady = false;
    m.signalStrength = hasNumber ? 2 : 1;
    m.conf = finalConfidence(c.quality, m.signalStrength, true);
    m.recognized = L("这看起来是%@——内容只在本地识别，没有上传", document);
    m.note = L("命名不含证件号；建议放进受保护文件夹（手动）");
    return m;
}

ScenarioMatch payment(const Context &c)
{
    const QString amount = ScenarioDetector::amount(c.text);
    const QString channel = lookup(paymentChannels, c.keys);
    const DateHit hit = contentDateHit(
        c.text, {"支付时间", "交易时间", "时间", "日期", "Payment Date", "Date", "Paid on"});
    ScenarioMatch m;
    m.kind = ScenarioKind::payment;
    m.signalStrength = (amount.isEmpty() ? 1 : 2) + (channel.isEmpty() ? 0 : 1);
    m.conf = finalConfidence(c.quality, m.signalStrength, true);
    m.base = joined({channel, L("付款"), amount, L("凭证")});
    m.datePrefix = dateOr(hit, c);
    m.folderHint = L("财务/凭证/%@", monthOf(m.datePrefix));
    m.bucketKeywords = {"凭证", "付款", "财务"};
    m.renameReady = true;
    m.filingReady = filingRule(m.conf, m.signalStrength);
    m.recognized = channel.isEmpty() ? L("这看起来是付款/转账凭证")
                                     : L("这看起来是%@的付款/转账凭证", channel);
    if (!amount.isEmpty())
        m.recognized += L("，%@", amount);
    return m;
}

QString invoiceSentence(const QString &seller, const QString &buyer, const QString &item)
{
    if (seller.isEmpty())
        return item.isEmpty() ? L("这看起来是报销发票") : L("这看起来是%@发票", item);
    if (buyer.isEmpty())
        return item.isEmpty() ? L("这看起来是%@ 的报销发票", seller)
                              : L("这看起来是%@ 的%@发票", seller, item);
    return item.isEmpty() ? L("这看起来是%@ 开给 %@ 的报销发票", seller, buyer)
                          : L("这看起来是%@ 开给 %@ 的%@发票", seller, buyer, item);
}

ScenarioMatch invoice(const Context &c)
{
    const QString total = invoiceTotal(c.text);
    const DateHit hit =
        contentDateHit(c.text, {"开票日期", "开票", "日期", "Invoice Date", "Date of Issue", "Issue Date",
                                "Date", "Issued"});
    Parties parties = invoiceParties(c.text);
    // An air itinerary prints 电子客票号 too; it is no railway ticket, and its seller is the
    // airline, not the railway.
    const bool railway = isTrain(c.keys) && !Keywords::any(airWords(), c.keys);
    if (!railway && isTrain(c.text) && parties.seller == L("中国铁路"))
        parties.seller = carrierIn(c.keys);
    QString item = group(Id::invoiceItem, c.text, 1);
    if (item.isEmpty() && railway)
        item = L("火车票");

    QString buyer = trimOrgSuffix(parties.buyer);
    if (const auto region = Rx::groups(ContentPatterns::get(Id::buyerRegion), buyer);
        region && region->size() >= 2) {
        const QString rest = buyer.mid(region->at(1).size());
        if (TextUtil::graphemeCount(rest) > 1)
            buyer = rest;
    }

    const int datePoint = !hit.date.isEmpty() && !hit.ambiguous ? 1 : 0;
    QString seller = parties.seller;
    ScenarioMatch m;
    m.kind = ScenarioKind::invoice;
    if (!seller.isEmpty()) {
        m.signalStrength = (total.isEmpty() ? 2 : 3) + datePoint;
        m.groundedSlot = true;
    } else {
        const Answer answer = ask(c, Instruction::invoiceSeller());
        seller = answer.value;
        m.signalStrength = (total.isEmpty() ? 1 : 2) + datePoint;
        m.groundedSlot = answer.grounded;
    }
    m.conf = finalConfidence(c.quality, m.signalStrength, m.groundedSlot);
    m.base = joined({seller, item.isEmpty() ? L("发票") : item, buyer, total});
    if (m.base.isEmpty())
        m.base = slug(L("发票"));
    m.datePrefix = dateOr(hit, c);
    m.folderHint = L("财务/%@", monthOf(m.datePrefix));
    m.bucketKeywords = {"财务", "报销", "发票", "invoice"};
    m.renameReady = true;
    m.filingReady = filingRule(m.conf, m.signalStrength);
    m.recognized = invoiceSentence(seller, buyer, item);
    if (!total.isEmpty())
        m.recognized += L("，%@", total);
    if (!hit.date.isEmpty())
        m.recognized += L("，开票日 %@", shortDate(hit.date));
    return m;
}

ScenarioMatch bankStatement(const Context &c, bool encrypted)
{
    QString bank = firstContained(chineseBanks(), c.readable ? c.keys : c.keyName);
    if (bank.isEmpty() && c.readable)
        bank = enInstitution(c.text, ContentPatterns::bankTail());
    const QString month =
        c.readable ? contentMonth(c.text, {"账单周期", "账单月份", "周期", "Statement Period",
                                           "Billing Period", "Statement Date", "Closing Date"})
                   : QString();
    ScenarioMatch m;
    m.kind = ScenarioKind::bankStatement;
    m.signalStrength = (bank.isEmpty() ? 1 : 2) + (month.isEmpty() ? 0 : 1);
    m.conf = finalConfidence(c.quality, m.signalStrength, true);
    m.base = joined({bank.isEmpty() ? L("银行") : bank, L("对账单")});
    m.datePrefix = month.isEmpty() ? monthOf(c.fileDate) : month;
    m.folderHint = L("财务/对账单");
    m.bucketKeywords = {"对账单", "账单", "银行", "财务"};
    m.renameReady = true;
    m.filingReady = filingRule(m.conf, m.signalStrength);
    m.recognized = bank.isEmpty() ? L("这看起来是对账单") : L("这看起来是%@的对账单", bank);
    if (encrypted)
        m.recognized += L("（加密 PDF，只读了文件名）");
    return m;
}

// A heading without its markup: "# Notes", "**Notes**", "• Notes" read "Notes".
QString headingText(const QString &line)
{
    static constexpr QStringView marks = u"#>*•·=_-";
    qsizetype start = 0;
    qsizetype end = line.size();
    while (start < end && (marks.contains(line[start]) || line[start].isSpace()))
        ++start;
    while (end > start && (QStringView(u"#*=_").contains(line[end - 1]) || line[end - 1].isSpace()))
        --end;
    return line.mid(start, end - start);
}

bool containsDigit(const QString &text)
{
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9')
            return true;
    }
    return false;
}

// The contract's title when its first line is one: short enough (30 characters with
// Chinese, else 60), naming a contract, and not a Chinese sentence. Numbering lines
// printed above the title ("合同编号：HT-2024-001", "Contract No.: 17") are passed over.
QString contractTitleFromLines(const QString &text)
{
    const QStringList lines = nonEmptyLines(text);
    for (qsizetype i = 0; i < std::min<qsizetype>(3, lines.size()); ++i) {
        const QString line = headingText(lines[i]);
        if (matches(Id::labelLine, line) && containsDigit(line))
            continue;
        const qsizetype limit = containsHan(line) ? 30 : 60;
        if (TextUtil::graphemeCount(line) > limit)
            return QString();
        if (line.endsWith(u'。'))
            return QString();
        const QString keys = keywordText(line);
        if ((Keywords::any(contractTitleWords(), keys) || hasWord(Words::contractTitleLine, keys))
            && !slug(line).isEmpty())
            return line;
        return QString();
    }
    return QString();
}

// The first 《…》 title that is not the name of a law.
QString contractTitleInBrackets(const QString &text)
{
    for (const QString &title :
         Rx::allGroups(ContentPatterns::get(Id::contractTitleBrackets), text, 1)) {
        bool law = false;
        for (const QString &suffix : lawSuffixes())
            law = law || title.trimmed().endsWith(suffix);
        if (!law && !slug(title).isEmpty())
            return title.trimmed();
    }
    return QString();
}

ScenarioMatch contract(const Context &c)
{
    QString title = contractTitleFromLines(c.page);
    if (title.isEmpty())
        title = contractTitleInBrackets(c.page);
    if (title.isEmpty())
        title = contractTitleFromLines(c.info);
    ScenarioMatch m;
    m.kind = ScenarioKind::contract;
    if (!title.isEmpty()) {
        m.signalStrength = 3;
        m.groundedSlot = true;
    } else {
        const Answer answer = ask(c, Instruction::contractTitle());
        title = answer.value;
        m.signalStrength = 2;
        m.groundedSlot = answer.given && answer.grounded;
    }
    const DateHit hit = contentDateHit(c.text, {"签署日期", "签订日期", "签署于", "落款", "日期",
                                                "Effective Date", "Dated", "Date"});
    m.conf = finalConfidence(c.quality, m.signalStrength, m.groundedSlot);
    m.base = slug(title);
    if (m.base.isEmpty())
        m.base = slug(L("合同协议"));
    m.datePrefix = dateOr(hit, c);
    m.folderHint = L("合同协议");
    m.bucketKeywords = {"合同", "协议", "法务", "contract"};
    m.renameReady = true;
    m.filingReady = false;
    m.recognized = L("这看起来是%@", title.isEmpty() ? L("合同/协议") : title);
    return m;
}

// A place of a route as it goes into a name: without the words a sentence puts around it
// ("次上海虹桥" from "G2次上海虹桥至…", "北京南站的车票").
QString routePlace(QString place, bool first)
{
    static const QStringView leads = u"次从由自乘坐往";
    if (first) {
        while (place.size() > 2 && leads.contains(place.front()))
            place.remove(0, 1);
    } else {
        const qsizetype cut = place.indexOf(u'的');
        if (cut >= 2)
            place.truncate(cut);
    }
    return place.trimmed();
}

QString route(const QString &text)
{
    if (const auto g = Rx::groups(ContentPatterns::get(Id::routeCjk), text);
        g && g->size() >= 3 && !g->at(1).isEmpty() && !g->at(2).isEmpty())
        return routePlace(g->at(1), true) + u'-' + routePlace(g->at(2), false);
    if (const auto g = Rx::groups(ContentPatterns::get(Id::routeAirport), text);
        g && g->size() >= 3 && !g->at(1).isEmpty() && !g->at(2).isEmpty())
        return g->at(1) + u'-' + g->at(2);
    // Places with their airport codes: the codes, which are shorter and exact.
    if (const auto g = Rx::groups(ContentPatterns::get(Id::routeLatinArrow), text); g && g->size() >= 5) {
        if (!g->at(2).isEmpty() && !g->at(4).isEmpty())
            return g->at(2) + u'-' + g->at(4);
        return g->at(1).trimmed() + u'-' + g->at(3).trimmed();
    }
    if (const auto g = Rx::groups(ContentPatterns::get(Id::routeLatinFromTo), text); g && g->size() >= 3)
        return g->at(1).trimmed() + u'-' + g->at(2).trimmed();
    return QString();
}

ScenarioMatch travel(const Context &c)
{
    QString carrier = carrierIn(c.keys);
    if (carrier.isEmpty())
        carrier = enInstitution(c.text, ContentPatterns::travelTail());
    const QString way = route(c.text);
    const DateHit hit = contentDateHit(c.text, {"出发", "起飞", "乘机", "入住", "Departure",
                                                "Departs", "Check-in", "Travel Date"});
    ScenarioMatch m;
    m.kind = ScenarioKind::travel;
    m.signalStrength = (carrier.isEmpty() ? 1 : 2) + (way.isEmpty() ? 0 : 1);
    m.conf = finalConfidence(c.quality, m.signalStrength, true);
    m.base = joined({carrier.isEmpty() ? L("行程") : carrier, L("行程单"), way});
    m.datePrefix = dateOr(hit, c);
    m.folderHint = L("出行");
    m.bucketKeywords = {"行程", "出行", "差旅", "travel"};
    m.renameReady = true;
    m.filingReady = false;
    m.recognized = L("这看起来是行程单");
    if (!carrier.isEmpty())
        m.recognized += L("（%@）", carrier);
    if (!way.isEmpty())
        m.recognized += L("，%@", way);
    return m;
}

ScenarioMatch paper(const Context &c, const Signals &s)
{
    const Answer answer = ask(c, Instruction::paperAuthorTitle());
    const QString author = slug(answer.value);
    ScenarioMatch m;
    m.kind = ScenarioKind::paper;
    m.base = author.isEmpty() ? QStringLiteral("paper") : author + QStringLiteral("_paper");
    if (!s.arxivId.isEmpty())
        m.base += QStringLiteral("_arXiv-") + s.arxivId;
    const DateHit hit = contentDateHit(c.text, {"Submitted", "Published", "发表"});
    m.datePrefix = dateOr(hit, c);
    m.signalStrength = !s.arxivId.isEmpty() || !s.doi.isEmpty() ? 2 : s.paperStructure ? 1 : 0;
    m.groundedSlot = answer.grounded;
    m.conf = finalConfidence(c.quality, m.signalStrength, m.groundedSlot);
    m.folderHint = L("资料/论文");
    m.bucketKeywords = {"论文", "文献", "paper", "阅读", "资料"};
    m.renameReady = m.conf != Conf::low || m.signalStrength > 0;
    m.filingReady = false;
    m.recognized = L("这看起来是学术论文");
    if (!author.isEmpty())
        m.recognized += L("：%@", answer.value);
    if (!s.arxivId.isEmpty())
        m.recognized += L("（arXiv %@）", s.arxivId);
    return m;
}

ScenarioMatch screenshot(const Context &c)
{
    // No text, nothing a topic could be found in: the model is not asked.
    const Answer answer = c.original.trimmed().isEmpty() ? Answer{}
                                                          : ask(c, Instruction::screenshotTopic());
    const QString topic = slug(answer.value);
    ScenarioMatch m;
    m.kind = ScenarioKind::screenshot;
    m.base = topic.isEmpty() ? L("截图") : L("截图_%@", topic);
    m.datePrefix = c.fileDate;
    m.folderHint = L("截图/%@", monthOf(c.fileDate));
    m.bucketKeywords = {"截图", "截屏", "screenshot"};
    m.renameReady = true;
    m.filingReady = false;
    m.signalStrength = 1;
    m.conf = textConfidence(c);
    m.groundedSlot = true;
    m.recognized = topic.isEmpty() ? L("这是张截图（没读出明确主题，先把时间戳名换成可读名）")
                                   : L("截到一段：%@", answer.value);
    return m;
}

// The first line that reads like a title: 4 to 34 characters, not ending like a sentence,
// with at least one letter and something left once made file-name-safe.
QString documentTitleLine(const QString &text)
{
    for (const QString &rawLine : nonEmptyLines(text)) {
        const QString line = headingText(rawLine);
        const qsizetype length = TextUtil::graphemeCount(line);
        if (length < 4 || length > 34)
            continue;
        if (line.endsWith(u'。') || line.endsWith(u'.') || line.endsWith(u'，') || line.endsWith(u','))
            continue;
        if (!containsLetter(line) || slug(line).isEmpty())
            continue;
        return line;
    }
    return QString();
}

QString titleLine(const QString &text)
{
    return documentTitleLine(text);
}

// The title line of a document: the page's own; a PDF's information title only when the
// page has none, since it is often a template's or an older draft's.
QString pageTitle(const Context &c)
{
    const QString title = documentTitleLine(c.page);
    return !title.isEmpty() ? title : documentTitleLine(c.info);
}

ScenarioMatch document(const Context &c)
{
    static const QStringList anchors{"日期", "Date", "发布", "报告日期"};
    ScenarioMatch m;
    m.kind = ScenarioKind::document;
    m.filingReady = false;
    const QString title = pageTitle(c);
    if (!title.isEmpty()) {
        m.base = slug(title);
        m.conf = textConfidence(c);
        m.signalStrength = 1;
        m.renameReady = true;
        m.groundedSlot = true;
        m.datePrefix = dateOr(contentDateHit(c.text, anchors), c);
        m.recognized = L("这看起来是：%@", title);
        return m;
    }
    const Answer answer = ask(c, Instruction::documentSummary());
    const bool generic = isGenericName(c.name);
    m.signalStrength = generic ? 1 : 0;
    m.groundedSlot = answer.given && answer.grounded;
    m.conf = finalConfidence(c.quality, m.signalStrength, m.groundedSlot);
    const QString summary = slug(answer.value);
    if (!summary.isEmpty()) {
        m.base = summary;
        m.datePrefix = dateOr(contentDateHit(c.text, anchors), c);
        m.recognized = L("这看起来是：%@", answer.value);
    } else {
        m.datePrefix = c.fileDate;
        m.recognized = L("文档（无法确定标题）");
    }
    m.renameReady = m.conf != Conf::low || generic;
    return m;
}

// ---------------------------------------------------------------------------------------
// The decision.

ScenarioMatch decide(const Context &c)
{
    // Installers, by extension; by name unless the file's own text was read.
    const bool contentRead = c.readable && contentSources().contains(c.source);
    if (installerExtensions().contains(c.ext)
        || (!contentRead && matches(Id::installerName, c.name)))
        return installer();

    // A cloud placeholder: nothing was read.
    if (c.source == ContentSource::online)
        return onlinePlaceholder();

    // A screenshot by the name the desktop or the phone gave it, whatever it shows.
    const bool image = Extractor::imageExt().contains(c.ext) || c.source == ContentSource::imageOcr;
    if (image && matches(Id::screenshotNameStrong, c.name))
        return screenshot(c);

    if (c.readable) {
        const Signals s = readSignals(c);

        // A document's own structure decides before the words it uses in passing: a paper
        // on invoices or identity cards stays a paper.
        if (s.paperStrong)
            return paper(c, s);

        // An agreement names itself in its title or binds its parties; its clauses about
        // invoices, payments and identity numbers do not make it one of those.
        if (s.contractStrong)
            return contract(c);

        // Rules, a policy or terms that list fees, invoices and payments are none of those.
        if (s.policy)
            return s.contract ? contract(c) : document(c);

        // Identity documents; a booking that asks for passport details is travel.
        if (s.idDoc && s.travelHits < 2)
            return idDocument(c, s.hasNumber);

        // A statement lists payments received; its own structure decides, unless the text
        // prints an invoice's labels.
        if (s.statementStrong && !s.invoiceStrong)
            return bankStatement(c, false);

        // Invoices before payments.
        const bool isInvoice = s.invoiceChinese || s.invoiceSignal || s.tillReceipt;
        const bool isPayment = !isInvoice && s.payment;
        if (isInvoice || isPayment) {
            // Words any document may use in passing ("paid", "receipt", "invoice", 发票,
            // 已支付) give way to a trip's, a paper's or an agreement's own structure. And
            // invoices and payments state money: prose that names none (a policy on 发票
            // and 电子客票行程单, minutes on a 支付成功率) is no such document.
            const bool weak = isInvoice ? !s.invoiceStrong : !s.paymentStrong;
            if (weak) {
                if (s.travelHits >= (isInvoice ? 3 : 2))
                    return travel(c);
                if (s.paper())
                    return paper(c, s);
                if (s.contract)
                    return contract(c);
            }
            if (s.money || s.shortText) {
                ScenarioMatch m = isInvoice ? invoice(c) : payment(c);
                // Decided by one weak word: never sure, and no move into a finance folder.
                if (weak && !s.tillReceipt) {
                    if (m.conf == Conf::high)
                        m.conf = Conf::medium;
                    m.filingReady = false;
                }
                return m;
            }
        }

        // Then statements, contracts, travel and papers, in that order.
        if (s.statement)
            return bankStatement(c, false);
        if (s.contract)
            return contract(c);
        if (s.travel())
            return travel(c);
        if (s.paper())
            return paper(c, s);
    } else if (c.ext == u"pdf" && Rx::any(statementFileWords(), c.keyName)) {
        // An encrypted statement: only its file name could be read.
        return bankStatement(c, true);
    }

    // Screenshots and documents.
    if (image && matches(Id::screenshotName, c.name))
        return screenshot(c);
    if (c.source == ContentSource::imageOcr) {
        if (!c.readable || isCameraPhoto(c.path))
            return emptyUnknown();
        return screenshot(c);
    }
    if (!c.readable || TextUtil::graphemeCount(c.original.trimmed()) < 40)
        return emptyUnknown();
    return document(c);
}

} // namespace

namespace Instruction {

QString invoiceSeller()
{
    return QStringLiteral("这张发票的销售方/开票公司名称（中文优先）");
}

QString contractTitle()
{
    return QStringLiteral("这份文件的标题或合同类型（如『股权转让协议』『劳动合同』『保密协议』），"
                          "只给名称，不要写人名或公司名");
}

QString paperAuthorTitle()
{
    return QStringLiteral("这篇论文的『第一作者姓_短标题』，英文论文用英文、中文用中文，"
                          "例如 Keltrow_attention-is-all-you-need");
}

QString screenshotTopic()
{
    return screenshotTopicInstruction(uiLanguage());
}

QString documentSummary()
{
    return QStringLiteral("用一句不超过14字的短语概括这份文档是什么（标题或主题），只给短语、不要解释");
}

} // namespace Instruction

ScenarioMatch detect(const QString &path, const QString &text, const QString &source,
                     const QString &model, const Describe &describe)
{
    Context c(describe);
    c.model = model;
    c.path = path;
    c.name = QFileInfo(path).fileName();
    c.keyName = keywordText(c.name);
    c.ext = Extractor::pathExtension(path);
    c.source = source;
    c.original = text;
    c.text = readingText(text);
    c.keys = keywordText(text);
    c.page = c.text;
    if (c.ext == u"pdf" && (source == ContentSource::pdfText || source == ContentSource::pdfOcr)) {
        const QString information = Extractor::pdfInformation(path);
        if (!information.isEmpty() && text.startsWith(information)) {
            c.info = readingText(information);
            c.page = readingText(text.mid(information.size()));
        }
    }
    c.fileDate = Core::fileDate(path);
    c.quality = static_cast<int>(Extractor::quality(source));
    // Text from a font without a usable character map is as good as none: no name is
    // built from it.
    c.readable = TextUtil::graphemeCount(text.trimmed()) >= 8 && !Core::garbled(text)
                 && !Extractor::isBrokenText(text);
    return finish(decide(c));
}

ScenarioMatch detect(const QString &path, const QString &text, const QString &source,
                     const QString &model)
{
    return detect(path, text, source, model, &Namer::describe);
}

} // namespace ScenarioDetector
