// The sample files of the first-run demo and the PDF text pages they are written with:
// folders and sets per language, the exact text read back from the PDFs by poppler's
// tool and by the application's extractor, and the fallbacks when a file cannot be made.
#include "SamplesTestSupport.h"

#include "Extractor.h"
#include "SampleGen.h"
#include "TestSupport.h"
#include "TextPdf.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

#include <poppler-qt6.h>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>

using namespace SamplesTest;

namespace {

struct SampleFile
{
    QString name;
    QStringList lines;
};

const QStringList paperLines = {
    "Attention Is All You Need",
    "Mirela Castavet, Joren Pfalzgraf, Ines Valdoroux, Tobiah Kennerly",
    "arXiv:1706.03762",
    "Abstract",
    "The dominant sequence transduction models are based on complex recurrent or convolutional "
    "neural networks...",
    "References",
    "[1] ...",
};

// The set each language writes, in the order fill() returns it.
QList<SampleFile> expectedSet(const QString &language)
{
    if (language == u"en")
        return {
            {"Scan_001.pdf",
             {"IKEA US LLC", "Invoice", "Invoice No. 24317000000123456", "Invoice Date: 2026-06-18",
              "Item: BILLY Bookcase", "Total USD $1,280.00", "Tax ID 91-3100000XXXXXXXX1A"}},
            {"download.pdf", paperLines},
            {"untitled.txt",
             {"Payment Confirmation", "Transfer Successful", "Payee: Dorian Vessaly",
              "Amount $3,500.00", "Paid at 2026-06-20 14:32"}},
            {"download (3).pdf",
             {"E-Ticket Itinerary", "United Airlines UA1501", "San Francisco (SFO) — New York (JFK)",
              "Departure 2026-07-03 08:25", "Seat 12A"}},
        };
    return {
        {"扫描件_001.pdf",
         {"上海宜家家居有限公司", "电子发票", "发票号码 24317000000123456", "开票日期：2026-06-18",
          "货物或应税劳务名称：BILLY 书柜", "价税合计（小写）¥1280.00", "纳税人识别号 91310000XXXXXXXX1A"}},
        {"下载 (3).pdf", paperLines},
        {"新建文本文档.txt",
         {"微信支付", "转账成功", "收款方：闵律师", "金额 ¥3500.00", "支付时间 2026-06-20 14:32"}},
        {"未命名.txt",
         {"电子客票行程单", "中国国航 CA1501", "北京首都 — 上海虹桥", "出发日期 2026-07-03 08:25",
          "座位 12A"}},
    };
}

QStringList lines(const QString &text)
{
    QStringList out = text.split(u'\n');
    // pdftotext ends each page with a form feed; the extractor may end with a line feed.
    while (!out.isEmpty() && (out.last().isEmpty() || out.last() == u"\f"))
        out.removeLast();
    return out;
}

bool hasRadicals(const QString &text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x2E80 && c.unicode() <= 0x2FDF; });
}

QString pdfToText(const QString &path)
{
    return QString::fromUtf8(popplerTool("pdftotext", {"-enc", "UTF-8", path, "-"}));
}

// The united boxes of the words on the first page, in points from the top left.
QRectF textExtent(const QString &path)
{
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    QRectF extent;
    if (!document || document->numPages() < 1)
        return extent;
    for (const std::unique_ptr<Poppler::TextBox> &word : document->page(0)->textList())
        extent = extent.united(word->boundingBox());
    return extent;
}

QString writePdf(const QString &name, const QString &text)
{
    const QString path = TestSupport::root() + u'/' + name;
    TestSupport::writeFile(path, TextPdf::page(text));
    return path;
}

} // namespace

TEST(SampleGen, FoldersAndFilesFollowTheInterfaceLanguage)
{
    for (const QString &language : languages) {
        SCOPED_TRACE(language.toStdString());
        ScopedLanguage scoped(language);
        const ScopedFolder first(SampleGen::makeDir()), second(SampleGen::makeDir());
        const QString prefix = language == u"en" ? "Marovel Sample-" : "Marovel 示例-";
        for (const ScopedFolder *folder : {&first, &second}) {
            const QFileInfo info(folder->path());
            EXPECT_TRUE(info.isDir());
            EXPECT_EQ(info.absolutePath(), QDir::tempPath());
            EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(prefix) + "[0-9A-F]{8}$")
                            .match(info.fileName())
                            .hasMatch())
                << info.fileName().toStdString();
        }
        EXPECT_NE(first.path(), second.path());

        const QStringList paths = SampleGen::fill(first.path());
        const QList<SampleFile> expected = expectedSet(language);
        ASSERT_EQ(paths.size(), expected.size());
        for (qsizetype i = 0; i < paths.size(); ++i) {
            EXPECT_EQ(paths[i], first.path() + u'/' + expected[i].name);
            EXPECT_TRUE(QFileInfo(paths[i]).isFile()) << paths[i].toStdString();
            if (expected[i].name.endsWith(u".txt"))
                EXPECT_EQ(TestSupport::readFile(paths[i]), expected[i].lines.join(u'\n').toUtf8());
            else
                EXPECT_TRUE(TestSupport::readFile(paths[i]).startsWith("%PDF-"));
        }
        EXPECT_EQ(QDir(first.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 4);
        EXPECT_TRUE(QDir(second.path()).isEmpty()); // filling one folder leaves the other alone
    }
}

// The PDFs' text layer is their words, character for character, as poppler's own tool
// and the extractor read it, with the line the page had to break joined again.
TEST(SampleGen, PdfsReadBackAsExactlyTheLinesWritten)
{
    qsizetype compared = 0;
    for (const QString &language : languages) {
        ScopedLanguage scoped(language);
        const ScopedFolder folder(SampleGen::makeDir());
        const QStringList paths = SampleGen::fill(folder.path());
        const QList<SampleFile> expected = expectedSet(language);
        for (qsizetype i = 0; i < expected.size(); ++i) {
            if (!expected[i].name.endsWith(u".pdf"))
                continue;
            SCOPED_TRACE((language + u' ' + expected[i].name).toStdString());
            const QString path = paths[i];
            EXPECT_TRUE(popplerTool("pdfinfo", {path}).contains("612 x 792 pts"));
            const QRectF extent = textExtent(path);
            EXPECT_TRUE(QRectF(48, 48, 516, 696).adjusted(-0.5, -0.5, 0.5, 0.5).contains(extent))
                << extent.left() << " " << extent.top() << " " << extent.right() << " " << extent.bottom();

            const QStringList tool = lines(pdfToText(path));
            const Extraction extraction = Extractor::extract(path, false);
            EXPECT_EQ(extraction.source, ContentSource::pdfText);
            const QStringList extracted = lines(extraction.text);
            EXPECT_EQ(rejoined(tool, expected[i].lines), expected[i].lines);
            EXPECT_EQ(rejoined(extracted, expected[i].lines), expected[i].lines);
            EXPECT_FALSE(hasRadicals(tool.join(u'\n')));
            EXPECT_FALSE(hasRadicals(extraction.text));
            if (expected[i].lines == paperLines) { // the abstract's line is wider than the page
                EXPECT_GT(tool.size(), paperLines.size());
            }
            compared += 2 * expected[i].lines.join(u'\n').size();
        }
    }
    std::cout << "[ read back ] " << compared << " characters compared\n";
}

TEST(SampleGen, FourPathsWhenAFileStandsWhereTheFolderShouldBe)
{
    for (const QString &language : languages) {
        SCOPED_TRACE(language.toStdString());
        ScopedLanguage scoped(language);
        const QString dir = TestSupport::root() + "/blocked-" + language;
        TestSupport::writeFile(dir, "not a folder");
        const QStringList paths = SampleGen::fill(dir);
        ASSERT_EQ(paths.size(), 4);
        const QList<SampleFile> expected = expectedSet(language);
        for (qsizetype i = 0; i < paths.size(); ++i) {
            // A PDF that could not be written names its text fallback.
            const QString name = expected[i].name.endsWith(u".pdf")
                                     ? QFileInfo(expected[i].name).completeBaseName() + ".txt"
                                     : expected[i].name;
            EXPECT_EQ(paths[i], dir + u'/' + name);
            EXPECT_FALSE(QFileInfo::exists(paths[i]));
        }
        EXPECT_EQ(TestSupport::readFile(dir), "not a folder");
    }
}

// The PDF's name is taken: nothing is replaced or followed, and the text goes to a ".txt"
// file of the same base name.
TEST(SampleGen, APdfThatCannotBeCreatedBecomesTextOfTheSameName)
{
    const QString text = QStringLiteral("上海宜家家居有限公司\n电子发票\n价税合计（小写）¥1280.00");
    struct Case
    {
        const char *what;
        QString name;
        std::function<void(const QString &path)> block;
        std::function<bool(const QString &path)> untouched;
    };
    const QString target = TestSupport::root() + "/link-target.pdf";
    const Case cases[] = {
        {"a folder of that name", "Scan_001.pdf",
         [](const QString &path) { QDir().mkpath(path + "/inside"); },
         [](const QString &path) { return QFileInfo(path + "/inside").isDir(); }},
        {"a file of that name", "下载 (3).pdf",
         [](const QString &path) { TestSupport::writeFile(path, "mine"); },
         [](const QString &path) { return TestSupport::readFile(path) == "mine"; }},
        {"a dangling link of that name", "download.pdf",
         [&](const QString &path) { QFile::link(target, path); },
         [&](const QString &path) {
             return QFileInfo(path).isSymLink() && !QFileInfo::exists(target);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString dir = TestSupport::makeFolder(QString("taken-%1").arg(&c - cases));
        c.block(dir + u'/' + c.name);
        const QString written = SampleGen::pdf(dir, c.name, text);
        EXPECT_EQ(written, dir + u'/' + QFileInfo(c.name).completeBaseName() + ".txt");
        EXPECT_EQ(TestSupport::readFile(written), text.toUtf8());
        EXPECT_TRUE(c.untouched(dir + u'/' + c.name));
    }
}

TEST(TextPdf, TextBelowThePageIsCutOff)
{
    QStringList written;
    for (int i = 1; i <= 80; ++i)
        written << QString("Line %1 of a long page").arg(i);
    const QString path = writePdf("long.pdf", written.join(u'\n'));
    EXPECT_TRUE(QRegularExpression("\\nPages: +1\\n").match(popplerTool("pdfinfo", {path})).hasMatch());
    const QStringList read = lines(pdfToText(path));
    // 696 points of text height hold a few dozen 13-point lines.
    EXPECT_GT(read.size(), 30);
    EXPECT_LT(read.size(), 60);
    EXPECT_EQ(read, written.mid(0, read.size()));
    EXPECT_LE(textExtent(path).bottom(), 792 - 48 + 0.5);
}

// The widths in the font dictionaries are the drawing faces' own: the ink of each line ends
// where the text layer says the line ends, for Helvetica lines and for the Chinese font's
// ideographs, digits and Latin letters alike (with the font's default width of one em a
// run of digits would leave gaps, and the layer would end far right of the ink).
TEST(TextPdf, GlyphsSitWhereTheTextLayerPutsThem)
{
    const QStringList written = {"Invoice Date: 2026-06-18", "发票号码 24317000000123456",
                                 "价税合计（小写）¥1280.00", "San Francisco (SFO) — New York (JFK)"};
    const QString path = writePdf("widths.pdf", written.join(u'\n'));
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    ASSERT_TRUE(document);
    const std::unique_ptr<Poppler::Page> page = document->page(0);
    constexpr double scale = 4; // pixels per point
    const QImage image = page->renderToImage(72 * scale, 72 * scale).convertToFormat(QImage::Format_Grayscale8);

    // The text layer's extent of each line: its words grouped by their baseline.
    QList<QRectF> layer;
    for (const std::unique_ptr<Poppler::TextBox> &word : page->textList()) {
        const QRectF box = word->boundingBox();
        auto line = std::find_if(layer.begin(), layer.end(), [&](const QRectF &r) {
            return std::abs(r.center().y() - box.center().y()) < 3;
        });
        if (line == layer.end())
            layer << box;
        else
            *line = line->united(box);
    }
    ASSERT_EQ(layer.size(), written.size());
    for (qsizetype i = 0; i < layer.size(); ++i) {
        SCOPED_TRACE(written[i].toStdString());
        int left = image.width(), right = -1;
        for (int y = int(layer[i].top() * scale); y < int(layer[i].bottom() * scale); ++y) {
            const uchar *row = image.constScanLine(y);
            for (int x = 0; x < image.width(); ++x) {
                if (row[x] < 128) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        ASSERT_GE(right, 0);
        EXPECT_NEAR(left / scale, 48, 1.5);
        EXPECT_NEAR(layer[i].left(), 48, 0.5);
        // The last glyph's right side bearing lies between its ink and its advance.
        EXPECT_LE((right + 1) / scale, layer[i].right() + 0.5);
        EXPECT_GE((right + 1) / scale, layer[i].right() - 1.5);
    }
}
