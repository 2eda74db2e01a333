// Which kind a file is: the order of the rules, their edge cases, documents as text
// recognition and other writers leave them, and the rules every match keeps.
#include "DetectTestSupport.h"

#include <QElapsedTimer>
#include <QFuture>
#include <QtConcurrent>

#include <gtest/gtest.h>

namespace {

using Conf = ScenarioMatch::Conf;

struct Row
{
    const char *label;
    QString name;
    QString source;
    QString text;
    ScenarioKind kind;
    std::optional<Conf> conf = std::nullopt;
    std::optional<QString> base = std::nullopt;
};

void expectRows(const QList<Row> &rows)
{
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        const ScenarioMatch m = detectText(row.name, row.text, row.source);
        EXPECT_EQ(ScenarioKinds::rawValue(m.kind), ScenarioKinds::rawValue(row.kind)) << ::testing::PrintToString(m);
        if (row.conf) {
            EXPECT_EQ(ScenarioMatch::rawValue(m.conf), ScenarioMatch::rawValue(*row.conf));
        }
        if (row.base) {
            EXPECT_EQ(m.base, *row.base);
        }
    }
}

TEST(DecisionTable, RuleOrderAndItsEdges)
{
    const Pinned pinned;
    const QString forty = QStringLiteral("The quick brown fox jumps over the lazy ");
    expectRows({
        {"an installer by its name, whatever the extension", "Setup Assistant.app.zip", "skip", "",
         ScenarioKind::installer, Conf::high, ""},
        {"an installer by its extension", "tool-1.2.dmg", "skip", "", ScenarioKind::installer},
        {"a Linux package", "marovel_1.0_amd64.deb", "skip", "", ScenarioKind::installer},
        {"an AppImage", "Tool-x86_64.AppImage", "skip", "", ScenarioKind::installer},
        {"an installer name wins over readable text of any other source", "setup.exe", "skip",
         "Invoice Number 1 Bill To: Acme", ScenarioKind::installer},
        {"the invoice test comes before the payment test", "fp.pdf", "pdf-text",
         "增值税电子普通发票\n支付成功\n金额 ¥88.00", ScenarioKind::invoice},
        {"Receipt with Payment Received is a payment", "r.pdf", "pdf-text",
         "Receipt\nPayment Received\nAmount Paid: $25.00", ScenarioKind::payment, Conf::high,
         "付款_$25_凭证"},
        {"Receipt with 已支付 is a payment", "r.pdf", "pdf-text", "Receipt\n订单已支付\n合计 ¥36.50",
         ScenarioKind::payment},
        {"Receipt alone is an invoice", "r.pdf", "pdf-text",
         "Receipt\nThank you for shopping with us today!", ScenarioKind::invoice},
        {"an encrypted statement is read from its name", "招商银行信用卡账单2024-03.pdf", "pdf", "",
         ScenarioKind::bankStatement, Conf::medium, "招商银行_对账单"},
        {"an encrypted PDF without a statement word stays unknown", "加密文件.pdf", "pdf", "",
         ScenarioKind::unknown},
        {"travel words win over a paper's structure", "trip.pdf", "pdf-text",
         "航班 CA1234 北京-上海\nAbstract: notes on the trip\nReferences: none", ScenarioKind::travel},
        {"39 characters are too few for a document", "notes.txt", "text", forty.trimmed(),
         ScenarioKind::unknown, Conf::low, ""},
        {"40 characters make a document", "notes.txt", "text", forty + "d", ScenarioKind::document},
        {"an online file never reaches the text rules", "Invoice.pdf", "online",
         "Invoice Number 42, Bill To: Acme Corp, Total Due: $10.00", ScenarioKind::unknown,
         Conf::low, ""},
        {"7 characters are never readable", "id.jpg", "image-ocr", "居民身份证出生", ScenarioKind::unknown},
        {"8 characters are", "id.jpg", "image-ocr", "居民身份证出生地", ScenarioKind::idDoc},
        {"an itinerary with 电子客票 is an invoice", "itinerary.pdf", "pdf-text",
         "航空运输电子客票行程单\n航班 CA1234\n北京-上海\n票价：¥1,200.00", ScenarioKind::invoice,
         std::nullopt, "发票_¥1200"},
        {"unpaid is not the word paid", "note.txt", "text",
         "Your balance is unpaid as of today, please review.", ScenarioKind::document},
        {"garbled text is not readable", "x.txt", "text",
         QStringLiteral("Invoice No 12 ") + QString(3, QChar(QChar::ReplacementCharacter)) + "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzab",
         ScenarioKind::unknown},
        {"a passport page", "scan.jpg", "image-ocr",
         "PASSPORT\nSurname: ZHANG\nGiven Names: SAN\nNationality: CHINESE\n"
         "Date of Birth: 01 JAN 1990\nPassport No. E12345678",
         ScenarioKind::idDoc, Conf::medium, "护照_本人"},
        {"an identity card without its number", "id.jpg", "image-ocr",
         "居民身份证\n姓名 张三\n性别 男 民族 汉\n出生 1990年1月1日", ScenarioKind::idDoc, Conf::medium,
         "身份证_本人"},
        {"a statement by its words", "s.pdf", "pdf-text", "Account Statement\nAcme Bank\n...",
         ScenarioKind::bankStatement},
        {"a contract needs a party or a body phrase", "c.txt", "text",
         "Service Agreement\nThe Parties and their Signature below.", ScenarioKind::contract},
        {"a contract word alone is not a contract", "c.txt", "text",
         "This agreement text talks about nothing in particular at all.", ScenarioKind::document},
        {"a paper by its DOI", "p.pdf", "pdf-text", "Some study\ndoi 10.1145/3290605.3300857\n",
         ScenarioKind::paper},
        {"a PNG with text is a screenshot", "a.png", "image-ocr", "Settings  Wi-Fi  Bluetooth",
         ScenarioKind::screenshot, Conf::medium},
        {"a short document text is unknown", "a.pdf", "pdf-text", "Page 1 of 2", ScenarioKind::unknown},
    });
}

// Documents as people have them: recognised text with spaces between Chinese characters,
// full-width forms, traditional characters, letter-spaced titles, and the words one kind
// of document uses in passing about another.
TEST(DecisionTable, DocumentsAsTheyComeFromScannersAndWriters)
{
    const Pinned pinned;
    expectRows({
        {"recognised Chinese with spaces between characters", "scan.pdf", "pdf-ocr",
         "增 值 税 电 子 普 通 发 票\n开 票 日 期 ： 2024 年 03 月 05 日\n"
         "价 税 合 计 （ 小 写 ） ¥ 128.00",
         ScenarioKind::invoice, Conf::medium, "发票_¥128"},
        {"full-width letters and digits", "scan.pdf", "pdf-ocr",
         "ＩＮＶＯＩＣＥ\nＩｎｖｏｉｃｅ Ｎｏ． ００１２\nＴｏｔａｌ Ｄｕｅ： ＄４２．００", ScenarioKind::invoice,
         std::nullopt, "发票_$42"},
        {"traditional characters", "tw.pdf", "pdf-text", "電子發票證明聯\n賣方：台灣某某股份有限公司\n總計 NT$500",
         ScenarioKind::invoice},
        {"traditional statement", "hk.pdf", "pdf-text", "信用卡月結單\n上期賬單結欠 HK$1,000.00\n最低還款額 HK$100.00",
         ScenarioKind::bankStatement},
        {"a letter-spaced title", "s.pdf", "pdf-text", "S T A T E M E N T\nAcme Bank\nPeriod ends soon",
         ScenarioKind::bankStatement},
        {"a curly apostrophe", "dl.jpg", "image-ocr",
         "DRIVER’S LICENSE\nLicense No: D1234567\nClass C\nExpiration Date 03/05/2028",
         ScenarioKind::idDoc},
        {"a contract that mentions invoices and a paid deposit", "c.pdf", "pdf-text",
         "技术服务合同\n甲方：北京甲乙科技有限公司\n乙方：上海丙丁餐饮管理有限公司\n"
         "乙方应向甲方开具增值税专用发票。甲方已支付定金。\n身份证号码：110101199001011234",
         ScenarioKind::contract, Conf::high, "技术服务合同"},
        {"an agreement that says invoice and paid", "a.pdf", "pdf-text",
         "CONFIDENTIAL\nThis Consulting Agreement is made by and between Acme Corp and Jane Doe.\n"
         "Consultant shall send an invoice monthly; invoices are paid within 30 days.\n"
         "Signature: ________",
         ScenarioKind::contract},
        {"a card statement lists a payment received", "card.pdf", "pdf-text",
         "Account Summary\nStatement Period: 02/01/2024 - 02/29/2024\nPrevious Balance $500.00\n"
         "Payment Received - Thank You -$500.00\nNew Balance $120.00\nMinimum Payment Due $25.00",
         ScenarioKind::bankStatement},
        {"a booking that asks for passport details", "booking.pdf", "pdf-text",
         "Flight Booking Confirmation\nBooking Reference: ABC123\nPassenger: ZHANG/SAN\n"
         "Passport No: E12345678\nNationality: CN\nDate of Birth: 1990-01-01\n"
         "Departure: PEK 08:00  Arrival: SHA 10:15",
         ScenarioKind::travel},
        {"a hotel booking that was paid", "hotel.pdf", "pdf-text",
         "Hotel Confirmation\nConfirmation Number: 88231\nCheck-in: March 5, 2024\n"
         "Check-out: March 7, 2024\nTotal paid: $320.00",
         ScenarioKind::travel, std::nullopt, "行程_行程单"},
        {"a paper about paid leave", "p.pdf", "pdf-text",
         "Paid Sick Leave and Health\nAbstract\nWe study paid sick leave mandates.\n"
         "References\n[1] Smith, J. (2020).",
         ScenarioKind::paper},
        {"a VAT invoice keeps its kind next to travel words", "fp.pdf", "pdf-text",
         "增值税电子普通发票\n开票日期：2024年03月05日\n项目：住宿服务 入住 2晚\n"
         "价税合计（小写）¥600.00\n航班 接送",
         ScenarioKind::invoice},
        {"a text file named like a snipping tool is a document", "snippets.md", "text",
         "Useful Shell Snippets\nfind . -name '*.log' -delete removes old logs quickly.",
         ScenarioKind::document, std::nullopt, "Useful_Shell_Snippets"},
        {"a guide named setup is read as a document", "Printer setup guide.pdf", "pdf-text",
         "Printer Setup Guide\nConnect the printer to power, then press the button for three "
         "seconds.",
         ScenarioKind::document, std::nullopt, "Printer_Setup_Guide"},
        {"a contract number line before the title", "c.pdf", "pdf-text",
         "合同编号：HT-2024-001\n房屋租赁合同\n甲方：张三\n乙方：李四\n", ScenarioKind::contract,
         std::nullopt, "房屋租赁合同"},
        {"a cited law is not the contract's title", "c.pdf", "pdf-text",
         "甲方：张三\n乙方：李四\n根据《中华人民共和国民法典》，双方自愿签订《房屋租赁合同》如下。",
         ScenarioKind::contract, std::nullopt, "房屋租赁合同"},
        {"a paper's first page: abstract and introduction", "p.pdf", "pdf-text",
         "Sparse Retrieval of Long Documents\nLi Wei, Maria Garcia\nAbstract\nWe present a "
         "method.\n1 Introduction\nRetrieval of long documents is a central problem.",
         ScenarioKind::paper},
        {"a Chinese paper's first page: abstract and keywords", "lw.pdf", "pdf-text",
         "基于深度学习的票据识别方法研究\n张三 李四\n摘 要：本文提出一种方法。\n关键词：票据识别；深度学习",
         ScenarioKind::paper},
        {"an abstract alone is no paper", "a.txt", "text",
         "Project Abstract\nThis project builds a small tool for naming scanned files by content.",
         ScenarioKind::document},
        {"a handwritten-style receipt", "IMG_1.jpg", "image-ocr",
         "收据\n今收到 张三 交来 三月房租\n人民币 贰仟元整 ¥2000.00\n收款人 李四", ScenarioKind::invoice},
        {"a bank's transfer receipt", "回单.pdf", "pdf-text",
         "中国银行网上银行电子回单\n付款人 张三\n收款人 李四\n金额 ¥2,000.00\n交易时间 2024-03-05",
         ScenarioKind::payment, Conf::high, "银行_付款_¥2000_凭证"},
        {"a paper train ticket", "IMG_4455.jpg", "image-ocr",
         "北京南站 G123次 上海虹桥站\n2024年03月06日09:00开 05车12A号\n¥553.0元 二等座\n限乘当日当次车",
         ScenarioKind::travel},
        {"a Markdown heading", "README.md", "text",
         "# Marovel File Manager\n\nMarovel reads documents and proposes names for them.",
         ScenarioKind::document, std::nullopt, "Marovel_File_Manager"},
        {"a 30-character first line is the title", "c.pdf", "pdf-text",
         "北京甲乙科技有限公司与上海丙丁餐饮管理有限公司之技术服务合同\n甲方：甲\n乙方：乙",
         ScenarioKind::contract, Conf::high, "北京甲乙科技有限公司与上海丙丁餐饮管理有限公司之技术服务合同"},
    });
}

// Words that any text may use in passing decide nothing against a document's own
// structure, and nothing at all in prose that names no money.
TEST(DecisionTable, WordsInPassing)
{
    const Pinned pinned;
    expectRows({
        {"an article that says paid and statement", "article.txt", "text",
         "Why Cities Are Rethinking Parking\nFor decades, city planners paid little attention to "
         "the cost of free parking. In a statement last week, the mayor announced a review of "
         "the policy.",
         ScenarioKind::document, std::nullopt, "Why_Cities_Are_Rethinking_Parking"},
        {"notes that say paid and upon receipt", "notes.txt", "text",
         "Weekly Sync\n1. We paid down some tech debt in the build system last sprint.\n"
         "2. Upon receipt of the review comments, Ben will update the proposal.",
         ScenarioKind::document},
        {"a summary that mentions invoices", "总结.docx", "office",
         "2024年第一季度工作总结\n本季度完成了发票报销系统的上线，协助财务部门处理报销单据共计1200份。"
         "部分供应商开具发票不及时，影响付款进度。下季度继续优化报销流程。",
         ScenarioKind::document},
        {"minutes on a payment success rate and an agreement to sign", "会议纪要.docx", "office",
         "项目周会会议纪要\n时间：2024年3月5日 14:00\n参会人：张三、李四、王五\n"
         "一、上周进展：完成了支付模块的联调，支付成功率提升到99%。\n二、本周计划：准备与客户签署补充协议。",
         ScenarioKind::document, std::nullopt, "项目周会会议纪要"},
        {"a short notice that says unpaid is no payment", "n.txt", "text",
         "Order 1042 is unpaid.", ScenarioKind::unknown},
        {"a short notice that says paid is one", "n.txt", "text", "Order 1042 is paid.",
         ScenarioKind::payment},
        {"money makes the word count", "r.txt", "text",
         "Thank you for your order. Your card was charged and the order is being prepared for "
         "shipping today. Total 42.00",
         ScenarioKind::payment},
        {"the bare word statement beside a bank", "s.pdf", "pdf-text",
         "Statement\nFirst National Bank\nThank you for banking with us.", ScenarioKind::bankStatement,
         std::nullopt, "First_National_Bank_对账单"},
        {"a lease whose rent is paid", "lease.pdf", "pdf-text",
         "RESIDENTIAL LEASE\nLandlord: John Smith\nTenant: Mary Major\n"
         "Rent: $1,800 per month. Security deposit paid upon signing this contract.\n"
         "Landlord Signature ________  Tenant Signature ________",
         ScenarioKind::contract},
        {"a till receipt without the word receipt", "IMG_7788.jpg", "image-ocr",
         "WALMART\nMILK 2% 3.48\nBREAD 2.50\nSUBTOTAL 5.98\nTAX 0.42\nTOTAL 6.40\nVISA TEND 6.40",
         ScenarioKind::invoice},
        {"a hotel booking marked paid", "IMG_3344.PNG", "image-ocr",
         "预订确认\n北京国贸大酒店\n入住日期 3月5日 离店日期 3月7日 共2晚\n房型 豪华大床房\n订单状态 已支付",
         ScenarioKind::travel},
        {"a bank's transaction history", "流水.pdf", "pdf-text",
         "中国工商银行个人客户交易流水\n户名：张三\n交易日期 摘要 交易金额 余额\n"
         "2024-01-05 工资 15,000.00 32,100.00",
         ScenarioKind::bankStatement, std::nullopt, "工商银行_对账单"},
        {"an electronic card bill", "bill.pdf", "pdf-text",
         "招商银行信用卡电子账单\n账单日 2024年03月05日\n本期应还金额 ¥3,021.50",
         ScenarioKind::bankStatement, std::nullopt, "招商银行_对账单"},
        {"an integer total in traditional characters", "IMG_5566.JPG", "image-ocr",
         "電子發票證明聯\n2024-03-05\nAB-12345678\n隨機碼 1234 總計 500\n賣方 12345678 買方 87654321\n"
         "統一超商股份有限公司",
         ScenarioKind::invoice, std::nullopt, "統一超商股份有限公司_发票"},
    });
}

// An air itinerary prints 电子客票号码 like a railway ticket; it is named for its airline.
TEST(DecisionTable, RailwayAndAirTickets)
{
    const Pinned pinned;
    expectRows({
        {"a railway e-ticket", "火车票.pdf", "pdf-text",
         "电子发票（铁路电子客票）\n北京南站 G123 上海虹桥站\n票价：¥553.00\n电子客票号：E123456789",
         ScenarioKind::invoice, std::nullopt, "中国铁路_火车票_¥553"},
        {"an air itinerary", "行程单.pdf", "pdf-text",
         "航空运输电子客票行程单\n承运人 国航 航班号 CA1501 北京—上海\n票价：¥1,200.00\n"
         "电子客票号码 999-1234567890",
         ScenarioKind::invoice, std::nullopt, "国航_发票_¥1200"},
    });
}

// Identity documents by the titles they print.
TEST(DecisionTable, IdentityDocumentNames)
{
    const Pinned pinned;
    expectRows({
        {"an identity card front", "IMG_0001.jpg", "image-ocr",
         "姓名 张三\n性别 男 民族 汉\n出生 1990 年 1 月 1 日\n公民身份号码 110101199001011234",
         ScenarioKind::idDoc, Conf::medium, "身份证_本人"},
        {"a driver license", "dl.jpg", "image-ocr",
         "CALIFORNIA USA DRIVER LICENSE\nDL I1234567\nEXP 08/31/2026\nLN DOE\nDOB 08/31/1990",
         ScenarioKind::idDoc, Conf::medium, "驾照_本人"},
        {"a residence permit", "rp.jpg", "image-ocr",
         "RESIDENCE PERMIT\nSurname: DOE\nGiven Names: JANE\nDate of Expiry 2027-01-01",
         ScenarioKind::idDoc, std::nullopt, "居住证_本人"},
    });
}

// A match never offers a name it does not have, never a hidden name, and never a folder
// outside the current one.
TEST(DecisionTable, SafeNamesAndFolders)
{
    const Pinned pinned;
    // Title lines whose name part would be empty or hidden are skipped.
    ScenarioMatch m = detectText("notes.txt", "....\n.hidden plan\nThe rest of this text is a long "
                                              "enough sentence to count.",
                                 "text");
    EXPECT_EQ(m.kind, ScenarioKind::document);
    EXPECT_EQ(m.base, "hidden_plan");

    // A document whose model says nothing: no name, so nothing to rename to, even with a
    // generic file name.
    int calls = 0;
    m = detectText("Untitled.txt",
                   "this line is far too long to be read as the title line of a document, "
                   "and it ends like a sentence.",
                   "text", std::nullopt, &calls);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(m.kind, ScenarioKind::document);
    EXPECT_TRUE(m.base.isEmpty());
    EXPECT_FALSE(m.renameReady);
    EXPECT_EQ(m.recognized, "文档（无法确定标题）");

    // A model answer made of dots makes no name either.
    m = detectText("Untitled.txt",
                   "this line is far too long to be read as the title line of a document, "
                   "and it ends like a sentence.",
                   "text", QStringLiteral("...."));
    EXPECT_TRUE(m.base.isEmpty());
    EXPECT_FALSE(m.renameReady);

    for (const QString &hint : {QStringLiteral("财务/../../etc"), QStringLiteral("./a//b/."),
                                QStringLiteral(".."), QStringLiteral("截图/ .x/2025-06")}) {
        const QString safe = ScenarioDetector::safeFolder(hint);
        for (const QString &part : safe.split(u'/', Qt::SkipEmptyParts))
            EXPECT_FALSE(part.isEmpty() || part.startsWith(u'.')) << hint.toStdString();
    }
    EXPECT_EQ(ScenarioDetector::safeFolder("财务/../凭证/./2024-03"), "财务/凭证/2024-03");
    EXPECT_EQ(ScenarioDetector::safeFolder(".."), "");
}

// Every detection of every kind: a rename offer has a name, the name is never hidden, the
// folder never climbs out, and the two sentences are set where they must be.
TEST(DecisionTable, EveryMatchKeepsItsPromises)
{
    for (const char *language : {"zh-Hans", "en"}) {
        const Pinned pinned(QString::fromLatin1(language));
        const QList<std::pair<QString, QString>> texts{
            {"a.pdf", "Invoice Number 7\nBill To: .Hidden Co\nTotal Due: $5.00"},
            {"a.pdf", "《.》\n甲方：.\n乙方：.\n本合同"},
            {"a.txt", ".\n..\n...\n. . . . . . . . . . . . . . . . . . . . . . . . . ."},
            {"a.pdf", "微信支付 支付成功 ¥0.00"},
            {"a.pdf", "航班 .-.\nPNR ..."},
        };
        for (const auto &[name, text] : texts) {
            for (const char *source : {"pdf-text", "image-ocr", "pdf-ocr", "skip"}) {
                const ScenarioMatch m = detectText(name, text, QString::fromLatin1(source),
                                                   QStringLiteral(".hidden"));
                if (m.renameReady) {
                    EXPECT_FALSE(m.base.isEmpty()) << ::testing::PrintToString(m);
                }
                EXPECT_FALSE(m.base.startsWith(u'.')) << ::testing::PrintToString(m);
                if (m.folderHint) {
                    EXPECT_FALSE(m.folderHint->isEmpty());
                    for (const QString &part : m.folderHint->split(u'/'))
                        EXPECT_FALSE(part.isEmpty() || part.startsWith(u'.'))
                            << ::testing::PrintToString(m);
                }
            }
        }
    }
}

// Three detections at once, as the browser runs them, give what one at a time gives.
TEST(DecisionTable, ConcurrentDetectionsAgree)
{
    const Pinned pinned;
    const QStringList texts{
        "增值税电子普通发票\n开票日期：2024年03月05日\n价税合计（小写）¥600.00",
        "Account Summary\nStatement Period: 02/01/2024 - 02/29/2024\nClosing Balance $5.00",
        "技术服务合同\n甲方：甲\n乙方：乙\n签订日期：2024年3月5日",
        "Graph Search at Scale\nAbstract\nWe study graphs.\nReferences\n[1] x",
    };
    QList<ScenarioMatch> expected;
    for (const QString &text : texts)
        expected << detectText("doc.pdf", text, "pdf-text", QStringLiteral("graph search"));

    QList<QFuture<ScenarioMatch>> runs;
    for (int round = 0; round < 12; ++round) {
        const QString text = texts[round % texts.size()];
        runs << QtConcurrent::run([text] {
            return detectText("doc.pdf", text, "pdf-text", QStringLiteral("graph search"));
        });
    }
    for (int round = 0; round < runs.size(); ++round)
        EXPECT_EQ(runs[round].result(), expected[round % texts.size()]) << round;
}

// Long hostile text, far beyond the naming cut, stays fast through every rule.
TEST(DecisionTable, LongTextStaysFast)
{
    const Pinned pinned;
    const QStringList units{"发 票 ", "1,", "A ", " \n", "中", "Invoice Receipt Paid ", "《合同",
                            "Flight PNR 航班 ", "a b c d e ", "ＡＢ１２ "};
    for (const QString &unit : units) {
        QString text;
        while (text.size() < 100000)
            text += unit;
        QElapsedTimer timer;
        timer.start();
        for (const char *source : {"pdf-text", "image-ocr"})
            detectText("big.pdf", text, QString::fromLatin1(source), QStringLiteral("x"));
        // Generous: a linear pass takes a second or two; backtracking takes minutes.
        EXPECT_LT(timer.elapsed(), 60000) << unit.toStdString();
    }
}

} // namespace
