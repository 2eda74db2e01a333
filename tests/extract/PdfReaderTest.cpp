// The PDF readers with real poppler on hand-written documents. Recognition is the real
// tesseract engine where a scanned page is read; elsewhere a recogniser of the test's own
// stands in, so the thresholds between text layer and recognition can be set exactly.
#include "PdfReader.h"
#include "Extractor.h"
#include "Fixtures.h"
#include "TestSupport.h"
#include "TextUtil.h"

#include <QDir>

#include <poppler-qt6.h>

#include <gtest/gtest.h>

using Fixtures::PdfBuilder;

namespace {

QString save(const QString &name, const QByteArray &pdf)
{
    const QString path = QDir(TestSupport::root()).filePath(name);
    TestSupport::writeFile(path, pdf);
    return path;
}

// A line of `n` readable characters without spaces, different at every position.
QString letters(int n, char first = 'a')
{
    QString s;
    for (int i = 0; i < n; ++i)
        s += QChar(first + (i % 26));
    return s;
}

// Recognises nothing, but notes which page it was shown (pages are told apart by width).
struct PageSpy
{
    QList<int> widths;
    QString answer;
    PdfReader::Recognizer recognizer()
    {
        return [this](const QImage &image) {
            widths << image.width();
            return answer;
        };
    }
};

// A document of `count` pages; page i is (600 + 10 i) points wide and carries `text(i)`.
QByteArray pages(int count, const std::function<QString(int)> &text)
{
    PdfBuilder builder;
    for (int i = 0; i < count; ++i) {
        PdfBuilder::Page page;
        page.size = QSizeF(600 + 10 * i, 200);
        page.fontSize = 2;
        const QString line = text(i);
        if (!line.isEmpty())
            page.lines = {line};
        builder.addPage(page);
    }
    return builder.build();
}

int widthOfPage(int i)
{
    return 3 * (600 + 10 * i); // small pages are drawn three times enlarged
}

} // namespace

TEST(PdfReader, PagesLookedAtForNaming)
{
    EXPECT_EQ(PdfReader::namingPages(0), QList<int>());
    EXPECT_EQ(PdfReader::namingPages(1), QList<int>({0}));
    EXPECT_EQ(PdfReader::namingPages(3), QList<int>({0, 1, 2}));
    EXPECT_EQ(PdfReader::namingPages(4), QList<int>({0, 1, 3}));
    EXPECT_EQ(PdfReader::namingPages(10), QList<int>({0, 1, 9}));
}

TEST(PdfReader, RenderScale)
{
    EXPECT_DOUBLE_EQ(PdfReader::renderScale({595, 842}), 2200.0 / 842); // A4
    EXPECT_DOUBLE_EQ(PdfReader::renderScale({200, 100}), 3);            // enlarged at most 3x
    EXPECT_DOUBLE_EQ(PdfReader::renderScale({2200.0 / 3, 500}), 3);
    EXPECT_DOUBLE_EQ(PdfReader::renderScale({2200, 1000}), 1);
    EXPECT_DOUBLE_EQ(PdfReader::renderScale({5000, 3000}), 1); // never reduced
}

TEST(PdfReader, TextLayerReadPageByPageInTheChosenOrder)
{
    PageSpy spy;
    // Three pages: all of them, in order. The layer is long enough, so nothing is drawn.
    const QString three =
        save("three.pdf",
             pages(3, [](int i) { return QString("Page%1%2").arg(i + 1).arg(letters(80)); }));
    Extraction result = PdfReader::forNaming(three, spy.recognizer());
    EXPECT_EQ(result.source, "pdf-text");
    EXPECT_EQ(result.text, QString("Page1%1\nPage2%1\nPage3%1").arg(letters(80)));
    EXPECT_TRUE(spy.widths.isEmpty());

    // Ten pages: the first, the second and the last.
    const QString ten =
        save("ten.pdf",
             pages(10, [](int i) { return QString("Page%1%2").arg(i + 1).arg(letters(80)); }));
    result = PdfReader::forNaming(ten, spy.recognizer());
    EXPECT_EQ(result.text, QString("Page1%1\nPage2%1\nPage10%1").arg(letters(80)));

    // Pages 1 and 2 already give 600 characters: page 10 is not read.
    const QString full =
        save("full.pdf",
             pages(10, [](int i) { return QString("Page%1%2").arg(i + 1).arg(letters(300)); }));
    result = PdfReader::forNaming(full, spy.recognizer());
    EXPECT_EQ(result.text, QString("Page1%1\nPage2%1").arg(letters(300)));

    // The index reads every page, untrimmed, each followed by a line break.
    result = PdfReader::forIndex(ten, spy.recognizer());
    EXPECT_EQ(result.source, "pdf-text");
    for (int i = 1; i <= 10; ++i)
        EXPECT_TRUE(result.text.contains(QString("Page%1%2").arg(i).arg(letters(80)))) << i;
    EXPECT_TRUE(result.text.indexOf("Page3") < result.text.indexOf("Page4"));
    EXPECT_TRUE(spy.widths.isEmpty());
}

TEST(PdfReader, RecognitionVisitsTheSamePagesAndStopsEarly)
{
    // Ten pages with no usable text: pages 1, 2 and 10 are drawn, in that order.
    const QString ten = save("scan.pdf", pages(10, [](int) { return QString(); }));
    PageSpy spy;
    spy.answer = letters(100);
    Extraction result = PdfReader::forNaming(ten, spy.recognizer());
    EXPECT_EQ(spy.widths, QList<int>({widthOfPage(0), widthOfPage(1), widthOfPage(9)}));
    EXPECT_EQ(result.source, "pdf-ocr");
    EXPECT_EQ(result.text, QString("%1\n%1\n%1").arg(letters(100)));

    // Once more than 599 characters are recognised, no further page is drawn.
    spy.widths.clear();
    spy.answer = letters(600);
    result = PdfReader::forNaming(ten, spy.recognizer());
    EXPECT_EQ(spy.widths, QList<int>({widthOfPage(0)}));
    EXPECT_EQ(result.text, letters(600));

    // The index draws every page in order.
    spy.widths.clear();
    spy.answer = "x";
    result = PdfReader::forIndex(ten, spy.recognizer());
    ASSERT_EQ(spy.widths.size(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(spy.widths[i], widthOfPage(i));
    EXPECT_EQ(result, (Extraction{QString("x\n").repeated(10), "pdf-ocr"}));
}

TEST(PdfReader, TextLayerAgainstRecognition)
{
    // One page; the text layer, the recognised text and the title vary. Expected results
    // for naming and for the index.
    struct Case
    {
        const char *what;
        QString layer, recognised, title;
        Extraction naming, index;
    };
    const QString l100 = letters(100), l250 = letters(250), l10 = letters(10);
    const QString symbols = QString("#").repeated(200) + letters(100, 'A');
    const Case cases[] = {
        {"250 readable characters: the layer, nothing drawn",
         l250,
         "unused",
         "",
         {l250, "pdf-text"},
         {l250 + "\n", "pdf-text"}},
        {"recognition more than 40 characters longer wins",
         l100,
         letters(141, 'A'),
         "",
         {letters(141, 'A'), "pdf-ocr"},
         {l100 + "\n", "pdf-text"}},
        {"exactly 40 longer: the layer wins",
         l100,
         letters(140, 'A'),
         "",
         {l100, "pdf-text"},
         {l100 + "\n", "pdf-text"}},
        {"an unreadable layer loses to any recognised text",
         symbols,
         "ok",
         "",
         {"ok", "pdf-ocr"},
         {"ok\n", "pdf-ocr"}},
        {"10 readable characters and nothing recognised",
         l10,
         "",
         "",
         {"", "pdf"},
         {l10 + "\n", "pdf-text"}},
        {"the same with a title",
         l10,
         "",
         "Title",
         {"Title", "pdf-ocr"},
         {"Title\n" + l10 + "\n", "pdf-text"}},
        // The index counts its page text with the line break: 19 letters make 20.
        {"19 readable characters: the index keeps its layer",
         letters(19),
         "ok",
         "",
         {"ok", "pdf-ocr"},
         {letters(19) + "\n", "pdf-text"}},
        {"18 readable characters: the index takes the recognised text",
         letters(18),
         "ok",
         "",
         {"ok", "pdf-ocr"},
         {"ok\n", "pdf-ocr"}},
        {"a title alone", "", "", "Title", {"Title", "pdf-ocr"}, {"Title\n", "pdf"}},
        {"nothing at all", "", "", "", {"", "pdf"}, {"", "pdf"}},
        {"title prefixes recognised text",
         "",
         "Scanned words",
         "Title",
         {"Title\nScanned words", "pdf-ocr"},
         {"Title\nScanned words\n", "pdf-ocr"}},
    };
    for (const Case &c : cases) {
        PdfBuilder builder;
        PdfBuilder::Page page;
        page.size = QSizeF(600, 300);
        page.fontSize = 3;
        if (!c.layer.isEmpty())
            page.lines = {c.layer};
        builder.addPage(page);
        if (!c.title.isEmpty())
            builder.setInfo(c.title);
        const QString path = save("case.pdf", builder.build());
        PageSpy spy;
        spy.answer = c.recognised;
        EXPECT_EQ(PdfReader::forNaming(path, spy.recognizer()), c.naming) << c.what;
        EXPECT_EQ(PdfReader::forIndex(path, spy.recognizer()), c.index) << c.what;
    }
}

TEST(PdfReader, InformationPrefixTakesTitleSubjectAndKeywords)
{
    PdfBuilder builder;
    PdfBuilder::Page page;
    page.size = QSizeF(600, 200); // the line fits unbroken
    page.fontSize = 2;
    page.lines = {letters(250)};
    builder.addPage(page);
    builder.setInfo("  年度报告  ", "\n", "finance, 2024");
    const QString path = save("info.pdf", builder.build());
    PageSpy spy;
    const Extraction naming = PdfReader::forNaming(path, spy.recognizer());
    EXPECT_EQ(naming, (Extraction{"年度报告\nfinance, 2024\n" + letters(250), "pdf-text"}));
}

TEST(PdfReader, LockedDocumentsGiveNothing)
{
    PdfBuilder builder;
    PdfBuilder::Page page;
    page.size = QSizeF(600, 200); // the line fits unbroken
    page.fontSize = 2;
    page.lines = {letters(250)};
    builder.addPage(page);
    builder.setUserPassword("secret");
    const QString path = save("locked.pdf", builder.build());
    PageSpy spy;
    EXPECT_EQ(PdfReader::forNaming(path, spy.recognizer()), (Extraction{"", "pdf"}));
    EXPECT_EQ(PdfReader::forIndex(path, spy.recognizer()), (Extraction{"", "pdf"}));
    EXPECT_TRUE(spy.widths.isEmpty());
    // The document is sound: with its password it opens and has its text.
    const std::unique_ptr<Poppler::Document> opened = Poppler::Document::load(path, {}, "secret");
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->isLocked());
    EXPECT_EQ(opened->page(0)->text(QRectF()).trimmed(), letters(250));

    // Not a PDF at all.
    const QString broken = save("broken.PDF", "%PDF-1.4 this is not a document");
    EXPECT_EQ(Extractor::extract(broken, false), (Extraction{"", "pdf"}));
    EXPECT_EQ(Extractor::extractForIndex(broken), (Extraction{"", "pdf"}));
}

TEST(PdfReader, ChineseCidFontAndRadicalGlyphs)
{
    PdfBuilder builder;
    PdfBuilder::Page page;
    page.size = QSizeF(595, 842);
    page.fontSize = 12;
    page.lines = {QStringLiteral("增值税电子普通发票"), QStringLiteral("开票日期：2024年03月15日"),
                  QStringLiteral("价税合计：壹仟贰佰叁拾肆元整")};
    // A writer that maps the glyphs of 日期 and 金额 to radicals: ⽇ 期 ⾦ 额.
    page.mappedLine = "ABCD";
    builder.setMapping(QStringLiteral("\u2F47期\u2FA6额"));
    for (int i = 0; i < 12; ++i)
        page.lines << QString("Line %1 of the invoice body with enough readable words.").arg(i);
    builder.addPage(page);
    const QString path = save("发票.pdf", builder.build());

    // Through the extractor's entry point: the name and the upper-case-free path work.
    const Extraction naming = Extractor::extract(path, false);
    EXPECT_EQ(naming.source, "pdf-text");
    for (const QString &word :
         {QStringLiteral("增值税电子普通发票"), QStringLiteral("2024年03月15日"),
          QStringLiteral("价税合计"), QStringLiteral("日期金额")})
        EXPECT_TRUE(naming.text.contains(word)) << word.toStdString() << "\n"
                                                << naming.text.toStdString();
    EXPECT_FALSE(naming.text.contains(QChar(0x2F47)));
}

TEST(PdfReader, IndexStopsAtTwoHundredThousandCharacters)
{
    // Three pages of 80,000 characters each: the third page completes the cut.
    PdfBuilder builder;
    for (int p = 0; p < 3; ++p) {
        PdfBuilder::Page page;
        page.size = QSizeF(2000, 2000);
        page.fontSize = 4; // poppler drops characters under 3 points after 50,000 of them
        for (int line = 0; line < 400; ++line)
            page.lines << letters(200, char('a' + p));
        builder.addPage(page);
    }
    const QString path = save("long.pdf", builder.build());
    PageSpy spy;
    const Extraction index = PdfReader::forIndex(path, spy.recognizer());
    EXPECT_EQ(index.source, "pdf-text");
    EXPECT_EQ(TextUtil::graphemeCount(index.text), Extractor::indexCut);
    EXPECT_TRUE(index.text.startsWith(letters(200, 'a')));
    EXPECT_TRUE(index.text.contains(letters(200, 'c')));
    EXPECT_TRUE(spy.widths.isEmpty());
}

TEST(PdfReader, ScannedPageIsRecognised)
{
    // An image-only page, recognised by the real engine.
    const QImage scan = Fixtures::paintedText(
        {QStringLiteral("增值税电子普通发票"), QStringLiteral("发票号码 12345678"),
         QStringLiteral("Invoice Total 1234.56")},
        QStringLiteral("Noto Sans CJK SC"), 40, QSize(900, 300));
    PdfBuilder builder;
    PdfBuilder::Page page;
    page.size = QSizeF(450, 150);
    page.picture = scan;
    builder.addPage(page);
    builder.setInfo("Scan");
    const QString path = save("scan.Pdf", builder.build());

    const Extraction naming = Extractor::extract(path, false);
    EXPECT_EQ(naming.source, "pdf-ocr");
    EXPECT_TRUE(naming.text.startsWith("Scan\n")) << naming.text.toStdString();
    for (const char *word : {"发票", "12345678", "Invoice"})
        EXPECT_TRUE(naming.text.contains(QString::fromUtf8(word))) << word << "\n"
                                                                   << naming.text.toStdString();
}

// A text layer from a font without a usable character map reads as punctuation mixed into
// words and random letters. It passes the readability test, but it is no text: the pages
// are recognised instead, for naming and for the index.
TEST(PdfReader, BrokenTextLayerIsRecognised)
{
    PdfBuilder builder;
    builder.setMapping(QStringLiteral("qZ#kx$Vj%wÝb&Þg*h+Xc;f<y=@"));
    PdfBuilder::Page page;
    page.size = QSizeF(600, 800);
    QStringList lines;
    for (int line = 0; line < 8; ++line)
        lines << QStringLiteral("QWERT ZXCVB ASDFG POIUY LKJHG MNBVC TREWQ GFDSA");
    page.mappedLine = lines.join(u'\n');
    page.mappedInvisible = true;
    builder.addPage(page);
    const QString path = save("broken-layer.pdf", builder.build());

    PageSpy spy;
    spy.answer = QStringLiteral("INVOICE\nInvoice Number: 2024-88\nTotal Due: $420.00");
    const Extraction naming = PdfReader::forNaming(path, spy.recognizer());
    EXPECT_EQ(naming, (Extraction{spy.answer, ContentSource::pdfOcr}));
    const Extraction index = PdfReader::forIndex(path, spy.recognizer());
    EXPECT_EQ(index.source, ContentSource::pdfOcr);
}

TEST(PdfReader, BrokenTextTable)
{
    struct Case
    {
        const char *label;
        QString text;
        bool broken;
    };
    const Case cases[] = {
        {"punctuation inside words", "q#Zk x$Vj% wÝb&Þ g*h+X c;f<y =@qZ# kx$V j%wÝb &Þg*h +Xc;f <y=@q", true},
        {"random capitals", "IYB HDDBSK EJ TIQA PFYJIM PBQZCO IVBWGC SECWRF HEUFIC YFJ NMKL QWRT", true},
        {"random letters", "xqzkv jwbgh tnrpl mdfsc kxqzv bnmwt rplkj hgfds zxcvb nmqwr typlk", true},
        {"English prose", "The quarterly report shows that revenue grew in every region, and that costs "
                          "fell slightly compared with the plan agreed in January.", false},
        {"an invoice", "INVOICE\nInvoice No. INV-20417\nBill To: Contoso Pharmacy Ltd\n"
                       "Toner cartridge  2  GBP 62.00  GBP 124.00\nTotal (incl. VAT) GBP 202.80", false},
        {"Chinese", "电子发票（普通发票）发票号码：24442000000011112222 开票日期：2024年06月10日 "
                    "购买方名称：广州市星河数码有限公司 *电子计算机*笔记本电脑 价税合计（小写）¥6000.00", false},
        {"capitals of a ticket", "ELECTRONIC TICKET ITINERARY RECEIPT PASSENGER LI MING BOOKING REF "
                                 "K7QXWZ CARRIER FLIGHT DATE FROM SHANGHAI BEIJING", false},
        {"code", "if (count(recognised) > stopAbove) { break; } return recognised.trimmed();", false},
        {"too short to judge", "$%&'()*+ ,-./", false},
        // Tokens end at ASCII white space only.
        {"random letters between tabs, returns and form feeds",
         "xqzkv\tjwbgh\r\ntnrpl\fmdfsc\vkxqzv bnmwt\r\rrplkj hgfds zxcvb nmqwr typlk", true},
        {"random letters joined by ideographic and no-break spaces",
         QStringLiteral("xqzkv\u3000jwbgh\u00A0tnrpl\u3000mdfsc\u3000kxqzv\u3000bnmwt\u3000"
                        "rplkj\u3000hgfds\u00A0zxcvb\u3000nmqwr\u3000typlk"),
         false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Extractor::isBrokenText(c.text), c.broken) << c.label;
}

// The exact text both readers take from documents of Latin and Chinese lines over several
// pages, side-by-side columns, a table and glyphs mapped to radicals: a change to how page
// text is read must leave every character, space and line break where it was.
TEST(PdfReader, ExactTextOfKnownDocuments)
{
    using Page = PdfBuilder::Page;
    const auto at = [](double x, double y, const QString &text) { return Page::Placed{QPointF(x, y), text}; };

    PdfBuilder report;
    report.setInfo(QStringLiteral("季度报告"), "Sales");
    report.setMapping(QStringLiteral("\u2F47期\u2FA6额"));
    Page lines;
    lines.size = QSizeF(595, 842);
    lines.fontSize = 9;
    lines.lines = {"Quarterly Sales Report Q1 2024", "Revenue grew in every region (north, south).",
                   "  Indented line with  double  spaces  ", QStringLiteral("增值税电子普通发票"),
                   QStringLiteral("开票日期：2024年03月15日")};
    lines.mappedLine = "AB CD";
    report.addPage(lines);
    Page columns;
    columns.size = QSizeF(595, 842);
    columns.fontSize = 10;
    columns.placed = {
        at(40, 60, "Left column starts here"), at(320, 60, "Right column starts here"),
        at(40, 74, "and goes on below."), at(320, 74, "and ends at once."),
        at(40, 120, QStringLiteral("购买方名称：广州市星河数码有限公司")),
        at(320, 120, QStringLiteral("销售方名称：深圳市南风电子商行")),
        at(40, 134, QStringLiteral("纳税人识别号：91440101MA5AAAA11")),
        at(320, 134, QStringLiteral("纳税人识别号：92440300MA5BBBB22")),
    };
    report.addPage(columns);
    Page table;
    table.size = QSizeF(595, 842);
    table.fontSize = 10;
    table.placed = {
        at(40, 240, "Description"), at(300, 240, "Qty"), at(380, 240, "Unit Price"),
        at(480, 240, "Amount"),
        at(40, 254, "Printer paper A4"), at(300, 254, "10"), at(380, 254, "GBP 4.50"),
        at(480, 254, "GBP 45.00"),
        at(300, 300, "Subtotal"), at(480, 300, "GBP 169.00"),
    };
    report.addPage(table);
    Page empty;
    report.addPage(empty);
    Page last;
    last.size = QSizeF(300, 200);
    last.fontSize = 8;
    last.lines = {"The end."};
    report.addPage(last);

    PdfBuilder chinese;
    Page invoice;
    invoice.size = QSizeF(595, 400);
    invoice.fontSize = 10;
    invoice.placed = {
        at(200, 40, QStringLiteral("电子发票（普通发票）")),
        at(40, 70, QStringLiteral("发票号码：24442000000011112222")),
        at(330, 70, QStringLiteral("开票日期：2024年06月10日")),
        at(40, 150, QStringLiteral("项目名称  单位  数量  单价  金额")),
        at(40, 164, QStringLiteral("*电子计算机*笔记本电脑  台  1  5309.73  5309.73")),
        at(40, 190, QStringLiteral("价税合计（大写）陆仟圆整")),
        at(330, 190, QStringLiteral("（小写）¥6000.00")),
    };
    chinese.addPage(invoice);

    struct Case
    {
        const char *what;
        QByteArray pdf;
        Extraction naming, index;
    };
    const Case cases[] = {
        {"five pages: lines, columns, a table, an empty page, a small page",
         report.build(),
         {QStringLiteral("季度报告\n"
                         "Sales\n"
                         "Quarterly Sales Report Q1 2024\n"
                         "Revenue grew in every region (north, south).\n"
                         " Indented line with double spaces\n"
                         "增值税电子普通发票\n"
                         "开票日期：2024年03月15日\n"
                         "日期 金额\n"
                         "Left column starts here  Right column starts here\n"
                         "and goes on below.       and ends at once.\n"
                         "购买方名称：广州市星河数码有限公司        销售方名称：深圳市南风电子商行\n"
                         "纳税人识别号：91440101MA5AAAA11 纳税人识别号：92440300MA5BBBB22\n"
                         "The end."),
          ContentSource::pdfText},
         {QStringLiteral("季度报告\n"
                         "Sales\n"
                         "Quarterly Sales Report Q1 2024\n"
                         "Revenue grew in every region (north, south).\n"
                         " Indented line with double spaces\n"
                         "增值税电子普通发票\n"
                         "开票日期：2024年03月15日\n"
                         "日期 金额\n\n"
                         "Left column starts here  Right column starts here\n"
                         "and goes on below.       and ends at once.\n"
                         "购买方名称：广州市星河数码有限公司        销售方名称：深圳市南风电子商行\n"
                         "纳税人识别号：91440101MA5AAAA11 纳税人识别号：92440300MA5BBBB22\n\n"
                         "Description      Qty      Unit Price Amount\n"
                         "Printer paper A4 10       GBP 4.50   GBP 45.00\n"
                         "                 Subtotal            GBP 169.00\n\n"
                         "The end.\n"),
          ContentSource::pdfText}},
        {"a Chinese invoice in two columns",
         chinese.build(),
         {QStringLiteral("电子发票（普通发票）\n"
                         "发票号码：24442000000011112222           开票日期：2024年06月10日\n"
                         "项目名称 单位 数量 单价 金额\n"
                         "*电子计算机*笔记本电脑 台 1 5309.73 5309.73\n"
                         "价税合计（大写）陆仟圆整                        （小写）¥6000.00"),
          ContentSource::pdfText},
         {QStringLiteral("                         电子发票（普通发票）\n"
                         "发票号码：24442000000011112222           开票日期：2024年06月10日\n"
                         "项目名称 单位 数量 单价 金额\n"
                         "*电子计算机*笔记本电脑 台 1 5309.73 5309.73\n"
                         "价税合计（大写）陆仟圆整                        （小写）¥6000.00\n\n"),
          ContentSource::pdfText}},
    };
    // On a mismatch, the text with its line breaks visible.
    const auto oneLine = [](QString text) {
        return text.replace(u'\n', QStringLiteral("\\n")).toStdString();
    };
    for (const Case &c : cases) {
        const QString path = save("known.pdf", c.pdf);
        const auto nothing = [](const QImage &) { return QString(); };
        const Extraction naming = PdfReader::forNaming(path, nothing);
        const Extraction index = PdfReader::forIndex(path, nothing);
        EXPECT_EQ(naming, c.naming) << c.what << "\n" << oneLine(naming.text);
        EXPECT_EQ(index, c.index) << c.what << "\n" << oneLine(index.text);
    }
}
