// One document of every kind, detected in both interface languages, against the whole
// ScenarioMatch it must produce.
#include "DetectTestSupport.h"

#include <gtest/gtest.h>

// The expected matches name only the fields that differ from a default match.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using Conf = ScenarioMatch::Conf;

struct Golden
{
    const char *label;
    QString name;
    QString source;
    QString text;
    std::optional<QString> answer; // what the model says when asked
    ScenarioMatch zh;
    // The localised fields in English; the rest is as in Chinese.
    QString enRecognized;
    QString enBase;
    std::optional<QString> enFolder;
    QString enNote;
};

const QString chineseInvoice = QStringLiteral(
    "电子发票（普通发票）\n"
    "发票号码：24112000000012345678\n"
    "开票日期：2024年03月05日\n"
    "购买方信息 名称：北京甲乙科技有限公司 统一社会信用代码/纳税人识别号：91110108MA01AAAA1X\n"
    "销售方信息 名称：上海丙丁餐饮管理有限公司 统一社会信用代码/纳税人识别号：91310115MA1HBBBB2Y\n"
    "*餐饮服务*餐费 1 120.75 6% 7.25\n"
    "价税合计（大写）壹佰贰拾捌圆整 （小写）¥128.00\n");

const QString englishInvoice = QStringLiteral("Acme Widgets Inc.\n"
                                              "INVOICE\n"
                                              "Invoice Number: 1042\n"
                                              "Invoice Date: March 5, 2024\n"
                                              "Bill To:\n"
                                              "Globex Corporation\n"
                                              "Total Due: $1,234.50\n");

QList<Golden> goldens()
{
    const QString installerNote = QStringLiteral("永不删除，只移到 _安装包 集中，方便你装完自己清");
    const QString idNote = QStringLiteral("命名不含证件号；建议放进受保护文件夹（手动）");
    return {
        {"installer by name", "Setup Assistant.app.zip", "skip", "", std::nullopt,
         ScenarioMatch{.kind = ScenarioKind::installer, .conf = Conf::high,
                       .recognized = "这是个安装包/安装器——装完通常就不用留了",
                       .folderHint = "_安装包", .bucketKeywords = {"安装", "installer", "待清理"},
                       .renameReady = false, .filingReady = true, .note = installerNote,
                       .signalStrength = 1},
         "This is an installer — usually not worth keeping once installed", "", "_Installers",
         "Never deleted: only gathered in _Installers so you can clear them out yourself after "
         "installing"},

        {"payment through a bank", "receipt.pdf", "pdf-text",
         "转账成功\n收款银行：招商银行\n金额：¥2,000.00\n交易时间：2024-03-05 14:20", std::nullopt,
         ScenarioMatch{.kind = ScenarioKind::payment, .conf = Conf::high,
                       .recognized = "这看起来是银行的付款/转账凭证，¥2000",
                       .base = "银行_付款_¥2000_凭证", .datePrefix = "2024-03-05",
                       .folderHint = "财务/凭证/2024-03", .bucketKeywords = {"凭证", "付款", "财务"},
                       .renameReady = true, .filingReady = true, .signalStrength = 3},
         "This looks like a Bank payment or transfer receipt, ¥2000", "Bank_Payment_¥2000_Receipt",
         "Finance/Receipts/2024-03", ""},

        {"Chinese e-invoice", "dzfp_24112000000012345678.pdf", "pdf-text", chineseInvoice,
         std::nullopt,
         ScenarioMatch{.kind = ScenarioKind::invoice, .conf = Conf::high,
                       .recognized = "这看起来是上海丙丁餐饮管理有限公司 开给 北京甲乙科技 的餐费发票，"
                                     "¥128，开票日 03/05",
                       .base = "上海丙丁餐饮管理有限公司_餐费_北京甲乙科技_¥128",
                       .datePrefix = "2024-03-05", .folderHint = "财务/2024-03",
                       .bucketKeywords = {"财务", "报销", "发票", "invoice"}, .renameReady = true,
                       .filingReady = true, .signalStrength = 4},
         "This looks like an invoice for 餐费 from 上海丙丁餐饮管理有限公司 to 北京甲乙科技, ¥128, "
         "issued 03/05",
         "上海丙丁餐饮管理有限公司_餐费_北京甲乙科技_¥128", "Finance/2024-03", ""},

        {"English invoice", "invoice-1042.pdf", "pdf-text", englishInvoice, std::nullopt,
         ScenarioMatch{.kind = ScenarioKind::invoice, .conf = Conf::high,
                       .recognized = "这看起来是Acme Widgets Inc. 开给 Globex Corporation 的报销发票，"
                                     "$1234.50，开票日 03/05",
                       .base = "Acme_Widgets_Inc_发票_Globex_Corporation_$1234.50",
                       .datePrefix = "2024-03-05", .folderHint = "财务/2024-03",
                       .bucketKeywords = {"财务", "报销", "发票", "invoice"}, .renameReady = true,
                       .filingReady = true, .signalStrength = 4},
         "This looks like an invoice from Acme Widgets Inc. to Globex Corporation, $1234.50, "
         "issued 03/05",
         "Acme_Widgets_Inc_Invoice_Globex_Corporation_$1234.50", "Finance/2024-03", ""},

        {"statement without a month", "statement.pdf", "pdf-text",
         "招商银行信用卡对账单\n本期应还金额 ¥3,000.00\n最低还款额 ¥300.00\n", std::nullopt,
         ScenarioMatch{.kind = ScenarioKind::bankStatement, .conf = Conf::high,
                       .recognized = "这看起来是招商银行的对账单", .base = "招商银行_对账单",
                       .datePrefix = pinnedMonth, .folderHint = "财务/对账单",
                       .bucketKeywords = {"对账单", "账单", "银行", "财务"}, .renameReady = true,
                       .filingReady = true, .signalStrength = 2},
         "This looks like a 招商银行 statement", "招商银行_Statement", "Finance/Statements", ""},

        {"contract whose first line is 31 characters", "scan_0042.pdf", "pdf-text",
         "北京甲乙科技有限公司与上海丙丁餐饮管理有限公司签订技术服务合同\n"
         "甲方：北京甲乙科技有限公司\n乙方：上海丙丁餐饮管理有限公司\n"
         "双方经协商，就《技术服务合同》达成如下条款。\n签订日期：2024年3月5日\n",
         std::nullopt,
         ScenarioMatch{.kind = ScenarioKind::contract, .conf = Conf::high,
                       .recognized = "这看起来是技术服务合同", .base = "技术服务合同",
                       .datePrefix = "2024-03-05", .folderHint = "合同协议",
                       .bucketKeywords = {"合同", "协议", "法务", "contract"}, .renameReady = true,
                       .filingReady = false, .signalStrength = 3},
         "This looks like 技术服务合同", "技术服务合同", "Contract", ""},

        {"flight boarding pass", "boarding.pdf", "pdf-text",
         "东航 登机牌\n航班 MU5101\n上海—北京\n起飞时间 2024年3月5日 08:00\n", std::nullopt,
         ScenarioMatch{.kind = ScenarioKind::travel, .conf = Conf::high,
                       .recognized = "这看起来是行程单（东航），上海-北京", .base = "东航_行程单_上海-北京",
                       .datePrefix = "2024-03-05", .folderHint = "出行",
                       .bucketKeywords = {"行程", "出行", "差旅", "travel"}, .renameReady = true,
                       .filingReady = false, .signalStrength = 3},
         "This looks like an itinerary (东航), 上海-北京", "东航_Itinerary_上海-北京", "Travel", ""},

        {"paper with an arXiv id", "2101.00001v2.pdf", "pdf-text",
         "Graph Search at Scale\nA. Keltrow and B. Lin\n"
         "arXiv:2101.00001v2 [cs.DS] Submitted 5 Jan 2021\nAbstract\n"
         "We study graph search on very large graphs.\nKeywords: graph search, indexing\n"
         "References\n[1] A. Keltrow. Earlier work.\n",
         QStringLiteral("Keltrow_graph-search"),
         ScenarioMatch{.kind = ScenarioKind::paper, .conf = Conf::high,
                       .recognized = "这看起来是学术论文：Keltrow_graph-search（arXiv 2101.00001）",
                       .base = "Keltrow_graph-search_paper_arXiv-2101.00001",
                       .datePrefix = "2021-01-05", .folderHint = "资料/论文",
                       .bucketKeywords = {"论文", "文献", "paper", "阅读", "资料"},
                       .renameReady = true, .filingReady = false, .signalStrength = 2},
         "This looks like an academic paper: Keltrow_graph-search (arXiv 2101.00001)",
         "Keltrow_graph-search_paper_arXiv-2101.00001", "Reading/Papers", ""},

        {"screenshot whose topic the text does not bear out",
         "Screenshot 2024-03-05 at 10.11.12.png", "image-ocr",
         "Build failed: 3 errors in main.cpp line 42", QStringLiteral("Quarterly revenue report"),
         ScenarioMatch{.kind = ScenarioKind::screenshot, .conf = Conf::medium,
                       .recognized = "这是张截图（没读出明确主题，先把时间戳名换成可读名）",
                       .base = "截图", .datePrefix = pinnedDay, .folderHint = "截图/2025-06",
                       .bucketKeywords = {"截图", "截屏", "screenshot"}, .renameReady = true,
                       .filingReady = false, .signalStrength = 1},
         "This is a screenshot (no clear topic; a readable name replaces the timestamp)",
         "Screenshot", "Screenshots/2025-06", ""},

        {"identity card, number left out of the name", "IMG_2041.jpg", "image-ocr",
         "居民身份证\n姓名 张三\n性别 男 民族 汉\n出生 1990年1月1日\n住址 北京市海淀区\n"
         "公民身份号码 11010119900101123X",
         std::nullopt,
         ScenarioMatch{.kind = ScenarioKind::idDoc, .conf = Conf::medium,
                       .recognized = "这看起来是身份证——内容只在本地识别，没有上传",
                       .base = "身份证_本人", .datePrefix = pinnedDay, .folderHint = "证件",
                       .bucketKeywords = {"证件", "身份", "重要"}, .sensitive = true,
                       .renameReady = true, .filingReady = false, .note = idNote,
                       .signalStrength = 2},
         "This looks like: ID Card — read on this computer only, nothing was uploaded",
         "My_ID_Card", "ID Document",
         "The name leaves out the ID number; consider moving it into a protected folder yourself"},

        {"document with a title line", "notes.txt", "text",
         "Quarterly Planning Notes\nWe met on 2024-03-05 to plan the next quarter and set three "
         "goals.",
         std::nullopt,
         ScenarioMatch{.kind = ScenarioKind::document, .conf = Conf::medium,
                       .recognized = "这看起来是：Quarterly Planning Notes",
                       .base = "Quarterly_Planning_Notes", .datePrefix = "2024-03-05",
                       .renameReady = true, .filingReady = false, .signalStrength = 1},
         "This looks like: Quarterly Planning Notes", "Quarterly_Planning_Notes", std::nullopt, ""},

        {"online placeholder", "report.pdf", "online",
         "This text is not looked at, even though it is long enough to read.", std::nullopt,
         ScenarioMatch{.kind = ScenarioKind::unknown, .conf = Conf::low,
                       .recognized = "☁︎ 在线文件（未下载正文）",
                       .note = "为省流量默认不下载云端文件；要按内容起名/归类，右键选「下载并读内容起名」"},
         "☁︎ Online file (content not downloaded)", "", std::nullopt,
         "Cloud files are not downloaded by default, to save data; to name or file it by its "
         "content, right-click and choose “Download and Name by Content”"},

        {"image without text", "IMG_0001.jpg", "image-ocr", "", std::nullopt, ScenarioMatch{}, "",
         "", std::nullopt, ""},
    };
}

TEST(GoldenMatch, OneDocumentOfEveryKindInChinese)
{
    const Pinned pinned(QStringLiteral("zh-Hans"));
    QSet<ScenarioKind> kinds;
    for (const Golden &g : goldens()) {
        SCOPED_TRACE(g.label);
        EXPECT_EQ(detectText(g.name, g.text, g.source, g.answer), g.zh);
        kinds << g.zh.kind;
    }
    EXPECT_EQ(kinds.size(), 11);
}

TEST(GoldenMatch, OneDocumentOfEveryKindInEnglish)
{
    const Pinned pinned(QStringLiteral("en"));
    for (const Golden &g : goldens()) {
        SCOPED_TRACE(g.label);
        ScenarioMatch expected = g.zh;
        expected.recognized = g.enRecognized;
        expected.base = g.enBase;
        expected.folderHint = g.enFolder;
        expected.note = g.enNote;
        EXPECT_EQ(detectText(g.name, g.text, g.source, g.answer), expected);
    }
}

} // namespace
