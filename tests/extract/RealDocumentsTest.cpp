// Recognition on documents as people have them: a corpus generated at test time (plain
// text in UTF-8 and GBK, PDFs with table and column layouts, stale information titles and
// broken text layers, scans painted at 200 dpi with noise and read by the real recogniser,
// screenshots named the ways desktops and phones name them), each read by the extractor and
// detected with no language model. Every row states what the rules must find: the kind,
// the date, the amount and the parts its name must hold; fields only a model could give
// are left unchecked and guarded by the values that must never appear. The score table is
// printed for information.
#include "Extractor.h"
#include "Fixtures.h"
#include "Localization.h"
#include "NamingCore.h"
#include "ScenarioDetection.h"
#include "TestSupport.h"
#include "TextRecognition.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <cstdio>
#include <functional>

namespace {

using Conf = ScenarioMatch::Conf;

enum class How {
    text,    // a UTF-8 .txt file
    gbk,     // a .txt file in GBK
    ocrText, // text as the recogniser returns it (each line through its CJK joining)
    pdf,     // a PDF written by the fixture writer
    scan,    // lines painted on a noisy 200 dpi page and recognised
};

struct Row
{
    const char *label;
    QString file;
    How how = How::text;
    QString text;                       // the content (text, gbk, ocrText, scan)
    std::function<QByteArray()> pdf;    // the PDF (pdf)
    QString source;                     // the source label of ocrText rows
    ScenarioKind kind = ScenarioKind::unknown;
    QString date;                       // expected datePrefix; "" unchecked; "file": the file's date
    QString amount;                     // expected in the name or sentence; "" unchecked
    QStringList parts;                  // each must stand in the base name
    QStringList forbid;                 // never in the base name or the sentence
    bool weak = false;                  // one weak word decided: never high, no filing offer
    QString ui = QStringLiteral("zh-Hans");
};

struct Pin
{
    explicit Pin(const QString &language)
        : environment(ScenarioDetector::Environment{[] { return QDate(2025, 6, 15); },
                                                    [language] { return language; }})
    {
        Loc::shared().setOverride(language);
    }
    ~Pin() { Loc::shared().setOverride(std::nullopt); }
    ScenarioDetector::ScopedEnvironment environment;
};

QByteArray gbk(const QString &text)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter *converter = ucnv_open("GBK", &status);
    QByteArray out(text.size() * 4 + 16, '\0');
    const int32_t length =
        ucnv_fromUChars(converter, out.data(), int32_t(out.size()),
                        reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()), &status);
    ucnv_close(converter);
    out.resize(U_SUCCESS(status) ? length : 0);
    return out;
}

// Lines painted on a slightly grey page with speckles, at 200 dots per inch.
QImage scanned(const QString &text, QSize size = QSize(1000, 1100), int pixelSize = 30)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(238, 238, 232));
    QPainter painter(&image);
    painter.setPen(QColor(25, 25, 30));
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    int y = pixelSize * 2;
    for (const QString &line : text.split(u'\n')) {
        painter.drawText(pixelSize, y, line);
        y += pixelSize * 8 / 5;
    }
    painter.end();
    QRandomGenerator random(7);
    for (int i = 0; i < size.width() * size.height() / 150; ++i) {
        const int x = random.bounded(size.width());
        const int yy = random.bounded(size.height());
        image.setPixel(x, yy, random.bounded(2) ? qRgb(120, 120, 120) : qRgb(255, 255, 255));
    }
    const int dotsPerMeter = qRound(200 / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

QString joinedLines(const QString &text)
{
    QStringList lines;
    for (const QString &line : text.split(u'\n'))
        lines << TextRecognition::joinCjk(line.trimmed());
    return lines.join(u'\n');
}

// ---- PDFs ----

using Page = Fixtures::PdfBuilder::Page;

Page::Placed at(double x, double y, const QString &text)
{
    return Page::Placed{QPointF(x, y), text};
}

// An invoice whose header is a table: labels in one row, values in the row below.
QByteArray tableInvoicePdf()
{
    Fixtures::PdfBuilder pdf;
    Page page;
    page.size = QSizeF(595, 842);
    page.fontSize = 10;
    page.placed = {
        at(40, 50, "Northwind Traders Ltd."),
        at(40, 64, "12 Harbour Road, Bristol BS1 4DJ"),
        at(40, 100, "INVOICE"),
        at(40, 130, "Invoice No."), at(220, 130, "Due Date"), at(400, 130, "Invoice Date"),
        at(40, 144, "INV-20417"), at(220, 144, "04/04/2024"), at(400, 144, "05/03/2024"),
        at(40, 180, "Bill To:"), at(300, 180, "Ship To:"),
        at(40, 194, "Contoso Pharmacy Ltd"), at(300, 194, "Contoso Warehouse"),
        at(300, 208, "Unit 4, Avon Park"),
        at(40, 240, "Description"), at(300, 240, "Qty"), at(380, 240, "Unit Price"),
        at(480, 240, "Amount"),
        at(40, 254, "Printer paper A4"), at(300, 254, "10"), at(380, 254, "GBP 4.50"),
        at(480, 254, "GBP 45.00"),
        at(40, 268, "Toner cartridge"), at(300, 268, "2"), at(380, 268, "GBP 62.00"),
        at(480, 268, "GBP 124.00"),
        at(300, 300, "Subtotal"), at(380, 300, "VAT (20%)"), at(480, 300, "Total"),
        at(300, 314, "GBP 169.00"), at(380, 314, "GBP 33.80"), at(480, 314, "GBP 202.80"),
    };
    pdf.addPage(page);
    return pdf.build();
}

// A Chinese VAT invoice in two columns: the buyer's block beside the seller's.
QByteArray twoColumnChineseInvoicePdf()
{
    Fixtures::PdfBuilder pdf;
    Page page;
    page.size = QSizeF(595, 400);
    page.fontSize = 10;
    page.placed = {
        at(200, 40, "电子发票（普通发票）"),
        at(40, 70, "发票号码：24442000000011112222"), at(330, 70, "开票日期：2024年06月10日"),
        at(40, 100, "购买方名称：广州市星河数码有限公司"),
        at(320, 100, "销售方名称：深圳市南风电子商行"),
        at(40, 114, "纳税人识别号：91440101MA5AAAA11"),
        at(320, 114, "纳税人识别号：92440300MA5BBBB22"),
        at(40, 150, "项目名称  单位  数量  单价  金额  税率  税额"),
        at(40, 164, "*电子计算机*笔记本电脑  台  1  5309.73  5309.73  13%  690.27"),
        at(40, 190, "价税合计（大写）陆仟圆整"), at(330, 190, "（小写）¥6000.00"),
    };
    pdf.addPage(page);
    return pdf.build();
}

// A report whose information title is a word processor's template name.
QByteArray staleTitleReportPdf()
{
    Fixtures::PdfBuilder pdf;
    pdf.setInfo(QStringLiteral("Microsoft Word - Template_v3.docx"));
    Page page;
    page.size = QSizeF(595, 842);
    page.lines = {"Quarterly Sales Report Q1 2024",
                  "Prepared by the Sales Operations team, April 8, 2024.",
                  "Revenue grew in every region this quarter. The sections below break the",
                  "results down by region, by product line and by sales channel, and compare",
                  "them with the plan agreed in January. Highlights follow on the next page."};
    pdf.addPage(page);
    return pdf.build();
}

// A lease whose information title is an older draft of another contract.
QByteArray staleTitleContractPdf()
{
    Fixtures::PdfBuilder pdf;
    pdf.setInfo(QStringLiteral("劳动合同（模板）"));
    Page page;
    page.size = QSizeF(595, 842);
    page.lines = {"房屋租赁合同", "出租方（甲方）：王建国", "承租方（乙方）：李晓梅",
                     "第一条 甲方将位于杭州市西湖区文三路100号的房屋出租给乙方居住使用。",
                     "第二条 租期自2024年4月1日起至2025年3月31日止，月租金人民币3500元。",
                     "第三条 乙方应按月支付租金，甲方收款后开具收据。",
                     "签订日期：2024年3月20日"};
    pdf.addPage(page);
    return pdf.build();
}

// An invoice whose text layer comes from a font without a usable character map: the page
// shows the invoice as a picture, the text layer is punctuation and stray Latin letters.
QByteArray brokenLayerInvoicePdf()
{
    Fixtures::PdfBuilder pdf;
    // Mostly letters, some punctuation: the text passes the readability test.
    pdf.setMapping(QStringLiteral("qZ#kx$Vj%wÝb&Þg*h+Xc;f<y=@"));
    Page page;
    page.size = QSizeF(420, 300);
    page.picture = scanned(QStringLiteral("INVOICE\nInvoice Number: 2024-88\nInvoice Date: 2024-03-05\n"
                                          "Bill To: Globex Corporation\nConsulting, March\nTotal Due: $420.00"),
                           QSize(1260, 900), 44);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QRandomGenerator random(11);
    QStringList lines;
    for (int line = 0; line < 8; ++line) {
        QString garbage;
        for (int i = 0; i < 48; ++i)
            garbage += (i % 6 == 5) ? QChar(u' ') : letters[random.bounded(26)];
        lines << garbage;
    }
    page.mappedLine = lines.join(u'\n');
    page.mappedInvisible = true;
    pdf.addPage(page);
    return pdf.build();
}

// ---- The corpus ----

QList<Row> corpus()
{
    QList<Row> rows;

    // Whole words.
    rows << Row{.label = "onboarding is no boarding", .file = "onboarding.txt",
                .text = "Employee Onboarding Checklist\nWelcome to the team! Before your first day, "
                        "please complete the onboarding steps below.\n1. Sign the offer letter\n"
                        "2. Set up your laptop\n3. Meet your buddy\nUpdated 2024-03-05",
                .kind = ScenarioKind::document, .date = "2024-03-05",
                .parts = {"Employee_Onboarding_Checklist"}};
    rows << Row{.label = "交易流水号 is no transaction history", .file = "IMG_2201.jpg",
                .how = How::ocrText,
                .text = "微信支付\n支付成功\n¥35.00\n商户名称 瑞幸咖啡\n支付方式 招商银行储蓄卡(1234)\n"
                        "支付时间 2024-03-05 08:12:45\n交易单号 4200002024030512345678\n"
                        "交易流水号 2024030512345678",
                .source = "image-ocr", .kind = ScenarioKind::payment, .date = "2024-03-05",
                .amount = "¥35", .parts = {"微信支付"}};
    rows << Row{.label = "amount holds no MOU", .file = "expenses.txt",
                .text = "Expense Report\nEmployee: Jane Doe\nDepartment: Marketing\n"
                        "Date        Description          Amount\n"
                        "2024-03-04  Taxi to airport      45.00\n"
                        "2024-03-05  Hotel, one night     220.00\n"
                        "Total                            265.00\n"
                        "Employee Signature ________   Approved by ________\nSigned by: Jane Doe",
                .kind = ScenarioKind::document, .parts = {"Expense_Report"}};

    // Tables and columns.
    rows << Row{.label = "invoice header as a table (PDF)", .file = "invoice-20417.pdf",
                .how = How::pdf, .pdf = tableInvoicePdf, .kind = ScenarioKind::invoice,
                .date = "2024-03-05", .amount = "£202.80",
                .parts = {"Northwind_Traders", "Contoso_Pharmacy"}, .forbid = {"To", "Ship", "£169"}};
    rows << Row{.label = "Chinese invoice in two columns (PDF)", .file = "dzfp.pdf", .how = How::pdf,
                .pdf = twoColumnChineseInvoicePdf, .kind = ScenarioKind::invoice,
                .date = "2024-06-10", .amount = "¥6000",
                .parts = {"深圳市南风电子商行", "星河数码"}, .forbid = {"名称"}};
    rows << Row{.label = "recognised invoice in two columns", .file = "scan-0610.pdf",
                .how = How::ocrText,
                .text = "电 子 发 票 （ 普 通 发 票 ）\n"
                        "发 票 号 码 ： 24442000000011112222      开 票 日 期 ： 2024 年 06 月 10 日\n"
                        "购 名 称 ： 广 州 市 星 河 数 码 有 限 公 司          销 名 称 ： 深 圳 市 南 风 电 子 商 行\n"
                        "买 纳 税 人 识 别 号 ： 91440101MA5AAAA11       售 纳 税 人 识 别 号 ： 92440300MA5BBBB22\n"
                        "* 电 子 计 算 机 * 笔 记 本 电 脑  台 1 5309.73 5309.73 13% 690.27\n"
                        "价 税 合 计 （ 大 写 ） 陆 仟 圆 整     （ 小 写 ） ¥ 6000.00",
                .source = "pdf-ocr", .kind = ScenarioKind::invoice, .date = "2024-06-10",
                .amount = "¥6000", .parts = {"深圳市南风电子商行", "星河数码"}, .forbid = {"名称"}};
    rows << Row{.label = "a shop's letterhead before the buyer", .file = "销售单.txt",
                .text = "深圳市南山区小明五金店 销售单\n开票日期 2024-05-06\n购方：深圳市蓝海科技有限公司\n"
                        "购方开户银行：招商银行深圳分行\n购方账号：7559 1234 5678 901\n"
                        "商品 数量 单价 金额\n螺丝刀套装 2 45.00 90.00\n合计 ¥90.00\n"
                        "本单据可作为发票开具依据",
                .kind = ScenarioKind::invoice, .date = "2024-05-06", .amount = "¥90",
                .parts = {"小明五金店", "蓝海科技"}, .forbid = {"开户银行"}};

    // Which date.
    rows << Row{.label = "due date printed before the issue date", .file = "Invoice-4F2A1C3D-0007.txt",
                .text = "Invoice\nInvoice number   4F2A1C3D-0007\nDue Date         April 2, 2024\n"
                        "Date of issue    March 3, 2024\nLinear Orbit, Inc.\n354 Oyster Point Blvd\n"
                        "Bill to\nJane Miller\njane@example.com\n$49.00 due April 2, 2024\n"
                        "Description   Qty   Unit price   Amount\nPro plan      1     $49.00       $49.00\n"
                        "Subtotal      $49.00\nTotal         $49.00\nAmount due    $49.00",
                .kind = ScenarioKind::invoice, .date = "2024-03-03", .amount = "$49",
                .parts = {"Linear_Orbit", "Jane_Miller"}, .forbid = {"Date"}};
    rows << Row{.label = "a printed date is not the receipt's date", .file = "收据.txt",
                .text = "收据\nNo. 0012873\n今收到 王小明\n交来 2024年3月房租 人民币 叁仟伍佰元整 ¥3,500.00\n"
                        "打印日期：2024-04-01\n收款日期：2024-03-05\n收款单位（盖章）：杭州某某物业管理有限公司",
                .kind = ScenarioKind::invoice, .date = "2024-03-05", .parts = {"杭州某某物业管理"},
                .weak = true};
    rows << Row{.label = "statement month is the period's end (English)", .file = "statement.txt",
                .text = "First Meridian Bank\nAccount Statement\nStatement Period: 02/01/2024 - 02/29/2024\n"
                        "Account Number: ****4821\nOpening Balance $1,204.33\nClosing Balance $980.10",
                .kind = ScenarioKind::bankStatement, .date = "2024-02",
                .parts = {"First_Meridian_Bank"}};
    rows << Row{.label = "statement month is the period's end (Chinese)", .file = "账单.txt",
                .text = "招商银行信用卡对账单\n账单周期 2024/01/20-2024/02/19\n"
                        "账单日 2024/02/19   到期还款日 2024/03/09\n本期应还金额 ¥3,021.50",
                .kind = ScenarioKind::bankStatement, .date = "2024-02", .parts = {"招商银行"}};
    rows << Row{.label = "a US invoice's numeric date under a Chinese interface", .file = "inv.txt",
                .text = "Invoice Number: 5531\nInvoice Date: 03/05/2024\nBill To: Orchid Dental Group LLC\n"
                        "Cleaning supplies  $310.00\nTotal Due: $310.00\nPayable within 30 days.",
                .kind = ScenarioKind::invoice, .date = "2024-03-05", .amount = "$310"};
    rows << Row{.label = "a euro invoice's numeric date under an English interface",
                .file = "hotel-invoice.txt",
                .text = "Hotel Adlon Kempinski Berlin\nUnter den Linden 77, 10117 Berlin\n"
                        "INVOICE No. 2024-11873\nDate: 12.03.2024\nGuest: Mr. Wei Zhang\n"
                        "Room 512   09.03.2024 - 12.03.2024\nAccommodation 3 nights    1.200,00 €\n"
                        "City tax                     62,00 €\nTotal                     1.262,00 €",
                .kind = ScenarioKind::invoice, .date = "2024-03-12", .amount = "€1262",
                .ui = "en"};
    rows << Row{.label = "an airline date such as 12MAR24", .file = "eticket.txt",
                .text = "ELECTRONIC TICKET ITINERARY/RECEIPT\nPASSENGER: LI/MING MR\nBOOKING REF: K7QXWZ\n"
                        "TICKET NUMBER: 781-2345678901\n"
                        "CARRIER  FLIGHT  DATE     FROM            TO           DEPART  ARRIVE\n"
                        "MU       5101    12MAR24  SHANGHAI PVG    BEIJING PEK  0800    1015\n"
                        "ISSUED BY CHINA EASTERN AIRLINES",
                .kind = ScenarioKind::travel, .date = "2024-03-12", .parts = {"China_Eastern"},
                .forbid = {"ISSUED"}};
    rows << Row{.label = "a date of birth is not the payslip's date", .file = "payslip.txt",
                .text = "PAYSLIP\nEmployer: Greenfield Logistics Ltd\nEmployee: Tom Baker\n"
                        "Date of birth: 14/07/2001\nPay date: 28/03/2024\n"
                        "Gross pay £3,250.00\nNet pay £2,540.17",
                .kind = ScenarioKind::document, .date = "2024-03-28", .parts = {"PAYSLIP"}};
    rows << Row{.label = "a received stamp is not the letter's date", .file = "letter.txt",
                .text = "RECEIVED\n12 APR 2024\nCity of Springfield\nDepartment of Revenue\n"
                        "March 28, 2024\nDear Ms. Rivera,\nRe: Property tax assessment 2024\n"
                        "Your property has been reassessed. The new assessed value takes effect on "
                        "July 1, 2024.",
                .kind = ScenarioKind::document, .date = "2024-03-28"};

    // Which amount.
    rows << Row{.label = "a till receipt's total, not its subtotal", .file = "IMG_7788.jpg",
                .how = How::ocrText,
                .text = "WALMART\nSave money. Live better.\n03/05/24 14:22\nMILK 2% 3.48\nBREAD 2.50\n"
                        "SUBTOTAL 5.98\nTAX 0.42\nTOTAL 6.40\nVISA TEND 6.40\nCHANGE DUE 0.00",
                .source = "image-ocr", .kind = ScenarioKind::invoice, .amount = "$6.40",
                .forbid = {"5.98", "¥"}};
    rows << Row{.label = "an itinerary's total, not its fare", .file = "行程单.txt",
                .text = "航空运输电子客票行程单\n旅客姓名 李明\n承运人 东航  航班号 MU5101  日期 12MAR\n"
                        "自 上海浦东 PVG  至 北京首都 PEK\n"
                        "票价 CNY 1100.00   民航发展基金 CNY 50.00   燃油附加费 YQ 0.00   合计 CNY 1150.00\n"
                        "电子客票号码 7812345678901   填开日期 2024-02-28",
                .kind = ScenarioKind::invoice, .date = "2024-02-28", .amount = "¥1150",
                .parts = {"东航"}, .forbid = {"1100"}};
    rows << Row{.label = "decimal commas and a tax number beside the names", .file = "FV-2024-03-117.txt",
                .text = "Faktura VAT / VAT Invoice No. FV/2024/03/117\n"
                        "Seller: Kowalski Software Sp. z o.o. NIP 525-123-45-67\n"
                        "Buyer: Nordlicht Trading GmbH VAT DE123456789\nIssue date: 2024-03-15\n"
                        "Software licence  2.000,00 EUR\nVAT 23%  460,00 EUR\nTotal: 2.460,00 EUR",
                .kind = ScenarioKind::invoice, .date = "2024-03-15", .amount = "€2460",
                .parts = {"Kowalski_Software", "Nordlicht_Trading"},
                .forbid = {"NIP", "DE123456789", "525"}};

    // Parties.
    rows << Row{.label = "labels in one column, values in the next", .file = "INV-0042.txt",
                .text = "INVOICE\nFrom\nDate\nInvoice number\nBright Pixel Studio Ltd\n12 March 2024\n"
                        "INV-0042\nBill To\nHarbor Analytics LLC\nDescription Amount\n"
                        "Logo design £850.00\nTotal £850.00",
                .kind = ScenarioKind::invoice, .date = "2024-03-12", .amount = "£850",
                .parts = {"Bright_Pixel_Studio", "Harbor_Analytics"},
                .forbid = {"Date", "Invoice_number"}};
    rows << Row{.label = "an e-mailed receipt", .file = "receipt.txt",
                .text = "From: Tidewater Books <orders@tidewaterbooks.com>\nTo: sam.lee@example.com\n"
                        "Subject: Your receipt from Tidewater Books\nDate: Tue, 5 Mar 2024 14:02:11 -0500\n\n"
                        "Thanks for shopping with us! Here is your receipt.\nOrder #10457\n"
                        "Subtotal $38.00\nShipping $4.99\nSales tax $3.14\nTotal $46.13\n"
                        "Paid with Visa ending in 4242\nQuestions? Write to us from the contact page.",
                .kind = ScenarioKind::invoice, .date = "2024-03-05", .amount = "$46.13",
                .parts = {"Tidewater_Books"}, .forbid = {"$38"}};
    rows << Row{.label = "from in prose names no seller", .file = "order.txt",
                .text = "Lumen Coffee Roasters\nOrder Confirmation\n"
                        "Thank you for ordering from us! Your order #5521 is confirmed.\n"
                        "Order date: March 8, 2024\n2 x Ethiopia Yirgacheffe 250g  $36.00\n"
                        "Shipping  $6.00\nOrder Total  $42.00",
                .kind = ScenarioKind::invoice, .date = "2024-03-08", .amount = "$42",
                .forbid = {"us!", "us_"}, .weak = true};
    rows << Row{.label = "a payment processor is not the seller", .file = "2024-017.txt",
                .text = "Maya Chen Design\nmaya@chendesign.studio\nINVOICE\nInvoice Number: 2024-017\n"
                        "Invoice Date: 2024-03-20\nBill To:\nOrchard Labs Inc.\n"
                        "Web design, March     $2,400.00\nTotal Due: $2,400.00\n"
                        "Payments are processed securely by Stripe, Inc.",
                .kind = ScenarioKind::invoice, .date = "2024-03-20", .amount = "$2400",
                .parts = {"Orchard_Labs"}, .forbid = {"Stripe"}};

    // Structure beats words in passing.
    rows << Row{.label = "a paper on invoices", .file = "2403.01234.txt",
                .text = "Robust Key Information Extraction from Chinese VAT Invoices\n"
                        "Wei Liu, Fang Zhao, Ming Sun\n"
                        "School of Computer Science, Fudan University, Shanghai, China\n"
                        "Abstract\nVAT invoices (增值税发票) carry fields such as the invoice code (发票代码), "
                        "the buyer's taxpayer number (纳税人识别号) and the total with tax (价税合计), "
                        "for example ¥1,234.50. We present a model that reads them.\n"
                        "Keywords: document understanding; invoices; OCR\n1 Introduction",
                .kind = ScenarioKind::paper};
    rows << Row{.label = "a paper on identity cards", .file = "论文.txt",
                .text = "基于深度学习的身份证信息识别方法\n张伟 李娜\n"
                        "（浙江大学 计算机科学与技术学院，杭州 310027）\n"
                        "摘要：身份证识别是实名认证的基础。本文对公民身份号码、姓名、性别、民族、出生日期等字段"
                        "进行识别，在 110101199003071234 等样本上取得了较好效果。\n"
                        "关键词：身份证识别；OCR；深度学习",
                .kind = ScenarioKind::paper};
    rows << Row{.label = "a billing policy lists fees", .file = "policy.txt",
                .text = "Acme Cloud Billing Policy\nLast updated: 2024-01-10\n"
                        "1. Invoices are issued on the first day of each month.\n"
                        "2. Late payments incur a fee of $25.00.\n"
                        "3. Invoice disputes must be raised within 30 days.\n"
                        "4. Refunds are credited to your account.",
                .kind = ScenarioKind::document, .date = "2024-01-10",
                .parts = {"Acme_Cloud_Billing_Policy"}};
    rows << Row{.label = "a reimbursement rule names invoice labels", .file = "办法.txt",
                .text = "公司差旅费报销管理办法\n第一条 为规范差旅费报销，制定本办法。\n"
                        "第二条 报销时须提供增值税发票，发票抬头、纳税人识别号须与公司信息一致。\n"
                        "第三条 住宿标准：一线城市每晚不超过¥600.00，其他城市每晚不超过¥400.00。\n"
                        "第四条 机票须提供航空运输电子客票行程单。",
                .kind = ScenarioKind::document, .parts = {"公司差旅费报销管理办法"}};
    rows << Row{.label = "one word in a title makes no contract", .file = "brochure.txt",
                .text = "Smart Contract Auditing Services\nSecure your blockchain project before launch.\n"
                        "Our team reviews Solidity code, reports vulnerabilities, and re-tests fixes.\n"
                        "Pricing starts at $4,000 per audit. Signature packages available.",
                .kind = ScenarioKind::document, .parts = {"Smart_Contract_Auditing_Services"}};
    const QString payScreen = "14:22\n支付成功\n¥35.00\n瑞幸咖啡\n微信支付\n完成";
    for (const char *name :
         {"Screenshot from 2024-03-05 14-22-31.png", "Screenshot_20240305_142231.png",
          "Screenshot 2024-03-05 142231.png", "屏幕截图 2024-03-05 142231.png",
          "Screen Shot 2024-03-05 at 2.22.31 PM.png", "截屏2024-03-05 14.22.31.png",
          "Screenshot_2024-03-05-14-22-31-123_com.tencent.mm.jpg", "微信截图_20240305142231.png"}) {
        rows << Row{.label = "a screenshot stays a screenshot", .file = QString::fromUtf8(name),
                    .how = How::ocrText, .text = payScreen, .source = "image-ocr",
                    .kind = ScenarioKind::screenshot};
    }

    // Titles.
    rows << Row{.label = "a template's information title (PDF)", .file = "report.pdf", .how = How::pdf,
                .pdf = staleTitleReportPdf, .kind = ScenarioKind::document,
                .parts = {"Quarterly_Sales_Report_Q1_2024"}, .forbid = {"Microsoft", "Template"}};
    rows << Row{.label = "an older draft's information title (PDF)", .file = "lease.pdf",
                .how = How::pdf, .pdf = staleTitleContractPdf, .kind = ScenarioKind::contract,
                .date = "2024-03-20", .parts = {"房屋租赁合同"}, .forbid = {"劳动合同"}};

    // Broken text layers.
    rows << Row{.label = "a text layer without a character map (PDF)", .file = "inv-88.pdf",
                .how = How::pdf, .pdf = brokenLayerInvoicePdf, .kind = ScenarioKind::invoice,
                .date = "2024-03-05", .amount = "$420", .forbid = {"#", "%", "&", "Globex_Corp_发票"}};

    // Plain text in GBK.
    rows << Row{.label = "a GBK text file", .file = "会议通知.txt", .how = How::gbk,
                .text = "关于召开2024年第一季度工作会议的通知\n各部门：\n"
                        "定于2024年3月5日下午2点在三楼会议室召开第一季度工作会议，请各部门负责人准时参加。\n"
                        "办公室\n2024年3月1日",
                .kind = ScenarioKind::document, .parts = {"关于召开2024年第一季度工作会议的通知"}};

    // Travel.
    rows << Row{.label = "a Eurostar booking", .file = "booking.txt",
                .text = "Eurostar\nBooking confirmation\nBooking reference: QXZ4LM\n"
                        "London St Pancras → Paris Gare du Nord\nDeparture: 14 April 2024 09:01\n"
                        "Passenger: Anna Schmidt\nStandard Premier, Coach 7, Seat 61",
                .kind = ScenarioKind::travel, .date = "2024-04-14", .parts = {"Eurostar", "London"}};
    rows << Row{.label = "a Lufthansa booking", .file = "lh.txt",
                .text = "Lufthansa\nYour booking confirmation\nBooking code: 6XJ4PQ\n"
                        "Flight LH 720  Frankfurt (FRA) → Tokyo Haneda (HND)\nDeparture: 12 May 2024, 13:20",
                .kind = ScenarioKind::travel, .date = "2024-05-12", .parts = {"Lufthansa", "FRA-HND"}};
    rows << Row{.label = "an Amtrak ticket", .file = "amtrak.txt",
                .text = "Amtrak eTicket\nReservation Number: 6A2B91\nTrain 2151 Acela\n"
                        "From New York to Washington\nDeparts: March 22, 2024 7:00 AM\nPassenger: Kim Lee",
                .kind = ScenarioKind::travel, .date = "2024-03-22",
                .parts = {"Amtrak", "New_York-Washington"}};
    rows << Row{.label = "a route written 上海至北京", .file = "携程.txt",
                .text = "携程旅行 订单确认\n航班 MU5101 上海至北京\n出发 2024年3月12日 08:00 上海浦东T1\n"
                        "到达 2024年3月12日 10:15 北京首都T2\n乘机人 李明",
                .kind = ScenarioKind::travel, .date = "2024-03-12", .parts = {"上海-北京"}};
    rows << Row{.label = "a route written 上海 - 北京", .file = "trip.txt",
                .text = "国航 电子登机牌\n航班 CA1831  上海 - 北京\n乘机日期 2024-04-02  登机口 C12\n座位 32A",
                .kind = ScenarioKind::travel, .date = "2024-04-02", .parts = {"国航", "上海-北京"}};

    // Documents that were already read right.
    rows << Row{.label = "Chinese e-invoice", .file = "dzfp_24112000000012345678.txt",
                .text = "电子发票（普通发票）\n发票号码：24112000000012345678\n开票日期：2024年03月05日\n"
                        "购买方信息 名称：北京甲乙科技有限公司 统一社会信用代码/纳税人识别号：91110108MA01AAAA1X\n"
                        "销售方信息 名称：上海丙丁餐饮管理有限公司 统一社会信用代码/纳税人识别号：91310115MA1HBBBB2Y\n"
                        "*餐饮服务*餐费 1 120.75 6% 7.25\n价税合计（大写）壹佰贰拾捌圆整 （小写）¥128.00",
                .kind = ScenarioKind::invoice, .date = "2024-03-05", .amount = "¥128",
                .parts = {"上海丙丁餐饮管理有限公司", "餐费", "北京甲乙科技"}};
    rows << Row{.label = "railway e-ticket", .file = "火车票.txt",
                .text = "电子发票（铁路电子客票）\n开票日期：2024年03月06日\n北京南站 G123 上海虹桥站\n"
                        "票价：¥553.00\n电子客票号：E123456789",
                .kind = ScenarioKind::invoice, .date = "2024-03-06", .amount = "¥553",
                .parts = {"中国铁路", "火车票"}};
    rows << Row{.label = "bank transfer receipt", .file = "回单.txt",
                .text = "中国银行网上银行电子回单\n付款人 张三\n收款人 李四\n金额 ¥2,000.00\n交易时间 2024-03-05",
                .kind = ScenarioKind::payment, .date = "2024-03-05", .amount = "¥2000"};
    rows << Row{.label = "identity card front", .file = "IMG_0001.jpg", .how = How::ocrText,
                .text = "姓名 张三\n性别 男 民族 汉\n出生 1990 年 1 月 1 日\n公民身份号码 110101199001011234",
                .source = "image-ocr", .kind = ScenarioKind::idDoc, .parts = {"身份证"}};
    rows << Row{.label = "lease contract", .file = "租赁.txt",
                .text = "合同编号：HT-2024-001\n房屋租赁合同\n甲方：张三\n乙方：李四\n签订日期：2024年3月20日",
                .kind = ScenarioKind::contract, .date = "2024-03-20", .parts = {"房屋租赁合同"}};
    rows << Row{.label = "arXiv paper", .file = "2101.00001.txt",
                .text = "Graph Search at Scale\nAnna Keltrow\narXiv:2101.00001v2 [cs.DS] 3 Jan 2021\n"
                        "Abstract\nWe study graph search.\n1 Introduction",
                .kind = ScenarioKind::paper, .parts = {"arXiv-2101.00001"}};

    // Scans read by the real recogniser.
    rows << Row{.label = "a scanned till receipt", .file = "IMG_20240305_1422.png", .how = How::scan,
                .text = "GREEN GROCER MARKET\n2024-03-05 14:22\nAPPLES 3.20\nBANANAS 1.85\n"
                        "SUBTOTAL 5.05\nTAX 0.40\nTOTAL 5.45\nCARD 5.45",
                .kind = ScenarioKind::invoice, .date = "2024-03-05", .amount = "5.45",
                .forbid = {"5.05"}};
    rows << Row{.label = "a scanned Chinese receipt", .file = "扫描件.png", .how = How::scan,
                .text = "收款收据\n日期：2024年03月05日\n今收到 王小明 交来 物业费\n"
                        "合计：¥1,280.00\n收款单位：杭州绿园物业管理有限公司",
                .kind = ScenarioKind::invoice, .date = "2024-03-05"};
    return rows;
}

struct Score
{
    int checked = 0;
    int right = 0;
};

QString mark(bool checked, bool ok)
{
    return !checked ? QStringLiteral("  ·  ") : ok ? QStringLiteral("  ok ") : QStringLiteral(" FAIL");
}

} // namespace

TEST(RealDocuments, CorpusIsRecognisedRight)
{
    const QDir folder(TestSupport::root());
    folder.mkpath(QStringLiteral("corpus"));
    Score kinds, dates, amounts, names;
    QStringList table;
    for (const Row &row : corpus()) {
        SCOPED_TRACE(row.label);
        const Pin pin(row.ui);
        const QString path = folder.filePath(QStringLiteral("corpus/") + row.file);
        Extraction read;
        switch (row.how) {
        case How::text:
        case How::gbk:
        case How::pdf: {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(row.how == How::text ? row.text.toUtf8()
                       : row.how == How::gbk ? gbk(row.text)
                                             : row.pdf());
            file.close();
            read = Extractor::extract(path, false);
            break;
        }
        case How::scan:
            ASSERT_TRUE(scanned(row.text).save(path, "PNG"));
            read = Extractor::extract(path, false);
            break;
        case How::ocrText:
            read = Extraction{joinedLines(row.text), row.source};
            break;
        }
        // Text that was not written to disk is detected as a file that does not exist, so
        // its own date is the pinned today.
        const QString detectPath = row.how == How::ocrText
                                       ? folder.filePath(QStringLiteral("absent/") + row.file)
                                       : path;
        const ScenarioMatch m = ScenarioDetector::detect(detectPath, read.text, read.source,
                                                         QStringLiteral("none"), {});
        const QString shown = m.base + u' ' + m.recognized;
        // CORPUS_DUMP=1 prints what the extractor read, to see why a row fails.
        if (qEnvironmentVariableIsSet("CORPUS_DUMP"))
            std::printf("---- %s [%s]\n%s\n", row.label, qPrintable(read.source), qPrintable(read.text));

        const bool kindOk = m.kind == row.kind;
        const bool dateChecked = !row.date.isEmpty();
        const QString wantDate = row.date == u"file" ? Core::fileDate(detectPath) : row.date;
        const bool dateOk = !dateChecked || m.datePrefix == wantDate;
        const bool amountChecked = !row.amount.isEmpty();
        const bool amountOk = !amountChecked || shown.contains(row.amount);
        bool namesOk = true;
        for (const QString &part : row.parts)
            namesOk = namesOk && m.base.contains(part);
        for (const QString &wrong : row.forbid)
            namesOk = namesOk && !shown.contains(wrong);
        if (row.weak)
            namesOk = namesOk && m.conf != Conf::high && !m.filingReady;
        const bool namesChecked = !row.parts.isEmpty() || !row.forbid.isEmpty() || row.weak;

        EXPECT_TRUE(kindOk) << "kind " << ScenarioKinds::rawValue(m.kind).toStdString();
        EXPECT_TRUE(dateOk) << "date " << m.datePrefix.toStdString();
        EXPECT_TRUE(amountOk) << "amount in " << shown.toStdString();
        EXPECT_TRUE(namesOk) << "name " << m.base.toStdString() << " / " << m.recognized.toStdString()
                             << " conf " << ScenarioMatch::rawValue(m.conf).toStdString();

        ++kinds.checked;
        kinds.right += kindOk;
        dates.checked += dateChecked;
        dates.right += dateChecked && dateOk;
        amounts.checked += amountChecked;
        amounts.right += amountChecked && amountOk;
        names.checked += namesChecked;
        names.right += namesChecked && namesOk;
        table << mark(true, kindOk) + mark(dateChecked, dateOk) + mark(amountChecked, amountOk)
                     + mark(namesChecked, namesOk) + QStringLiteral("  ") + QString::fromUtf8(row.label)
                     + QStringLiteral(" → ") + m.base;
    }
    std::printf("\n kind  date  amount name   document → base name\n");
    for (const QString &line : table)
        std::printf("%s\n", line.toUtf8().constData());
    std::printf("score: kind %d/%d, date %d/%d, amount %d/%d, name %d/%d\n", kinds.right,
                kinds.checked, dates.right, dates.checked, amounts.right, amounts.checked,
                names.right, names.checked);
}
