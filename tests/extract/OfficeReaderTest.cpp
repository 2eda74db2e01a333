// Word-processor, rich-text and web documents, built by the test: zip packages through
// libarchive, a binary property list, a Word compound file read by catdoc.
#include "OfficeReader.h"
#include "Extractor.h"
#include "Fixtures.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <unicode/ucnv.h>

namespace {

QString save(const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(TestSupport::root()).filePath(name);
    TestSupport::writeFile(path, bytes);
    return path;
}

QByteArray gbk(const QString &text)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter *converter = ucnv_open("GBK", &status);
    QByteArray out(text.size() * 4 + 4, 0);
    const int32_t n = ucnv_fromUChars(converter, out.data(), int32_t(out.size()),
                                      reinterpret_cast<const UChar *>(text.utf16()),
                                      int32_t(text.size()), &status);
    ucnv_close(converter);
    out.truncate(n);
    return out;
}

const char *wordRels = R"(<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="%1"/>
</Relationships>)";

QByteArray docx(const QByteArray &body, const QString &part = "word/document.xml")
{
    const QByteArray document =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"
 xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006"
 xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape"
 xmlns:v="urn:schemas-microsoft-com:vml"><w:body>)" +
        body + "</w:body></w:document>";
    return Fixtures::zip({{"[Content_Types].xml", "<Types/>"},
                          {"_rels/.rels", QString::fromUtf8(wordRels).arg("/" + part).toUtf8()},
                          {part, document}});
}

} // namespace

TEST(OfficeReader, WordDocumentParagraphsAsLines)
{
    const QByteArray body =
        QStringLiteral(
            R"(<w:p><w:pPr><w:tabs><w:tab w:val="left" w:pos="720"/></w:tabs></w:pPr>)"
            R"(<w:r><w:t>增值税</w:t></w:r><w:r><w:t xml:space="preserve">发票 </w:t></w:r>)"
            R"(<w:r><w:tab/><w:t>No.</w:t><w:br/><w:t>12345678</w:t></w:r></w:p>)"
            R"(<w:p><w:r><w:t>Kept</w:t></w:r><w:del><w:r><w:delText>Deleted</w:delText></w:r></w:del>)"
            R"(<w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText>HYPERLINK "x"</w:instrText></w:r>)"
            R"(<w:r><w:t xml:space="preserve"> link</w:t></w:r></w:p>)"
            R"(<w:tbl><w:tr><w:tc><w:p><w:r><w:t>cell one</w:t></w:r></w:p></w:tc>)"
            R"(<w:tc><w:p><w:r><w:t>cell two</w:t></w:r></w:p></w:tc></w:tr></w:tbl>)"
            R"(<w:p><w:r><mc:AlternateContent><mc:Choice Requires="wps"><wps:txbx><w:txbxContent>)"
            R"(<w:p><w:r><w:t>In a text box</w:t></w:r></w:p></w:txbxContent></wps:txbx></mc:Choice>)"
            R"(<mc:Fallback><v:textbox><w:txbxContent><w:p><w:r><w:t>In a text box</w:t></w:r></w:p>)"
            R"(</w:txbxContent></v:textbox></mc:Fallback></mc:AlternateContent></w:r></w:p>)")
            .toUtf8();
    const QString expected = QStringLiteral(
        "增值税发票 \tNo.\n12345678\nKept link\ncell one\ncell two\nIn a text box\n\n");

    const QString path = save("发票.DOCX", docx(body));
    EXPECT_EQ(Extractor::extract(path, false), (Extraction{expected, "office"}));
    // The main part is found through the package's relationships, wherever it lies.
    const QString moved = save("moved.docx", docx(body, "word/document2.xml"));
    EXPECT_EQ(OfficeReader::docxText(moved), expected);
    // Not a zip, or a zip without the part.
    EXPECT_EQ(Extractor::extract(save("fake.docx", "PK nothing"), false),
              (Extraction{"", "office"}));
    EXPECT_EQ(OfficeReader::docxText(save("empty.docx", Fixtures::zip({{"a.txt", "x"}}))), "");
    // A reader that needs only a few characters stops early.
    QByteArray many;
    for (int i = 0; i < 2000; ++i)
        many += "<w:p><w:r><w:t>paragraph " + QByteArray::number(i) + "</w:t></w:r></w:p>";
    const QString text = OfficeReader::docxText(save("many.docx", docx(many)), 100);
    EXPECT_TRUE(text.startsWith("paragraph 0\nparagraph 1\n"));
    EXPECT_LT(text.size(), 2000);
}

TEST(OfficeReader, OpenDocumentText)
{
    const QByteArray content =
        QStringLiteral(
            R"(<?xml version="1.0" encoding="UTF-8"?>)"
            R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
            R"( xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:dc="http://purl.org/dc/elements/1.1/">)"
            R"(<office:body><office:text>)"
            R"(<text:h text:outline-level="1">合同   编号</text:h>)"
            R"(<text:p>Amount:<text:s text:c="3"/>100<text:tab/>EUR<text:line-break/>Due   soon</text:p>)"
            R"(<text:p>See <text:span>the <text:a>terms</text:a></text:span>.)"
            R"(<office:annotation><dc:creator>A</dc:creator><text:p>a comment</text:p></office:annotation></text:p>)"
            R"(</office:text></office:body></office:document-content>)")
            .toUtf8();
    const QString path =
        save("合同.odt", Fixtures::zip({{"mimetype", "application/vnd.oasis.opendocument.text"},
                                        {"content.xml", content}}));
    EXPECT_EQ(Extractor::extractForIndex(path),
              (Extraction{"合同 编号\nAmount:   100\tEUR\nDue soon\nSee the terms.\n", "office"}));
}

TEST(OfficeReader, RichTextControlWordsStripped)
{
    struct Case
    {
        const char *what;
        QByteArray rtf;
        QString expected;
    };
    const Case cases[] = {
        {"unicode escapes with their fallbacks skipped",
         R"({\rtf1\ansi\uc1 \u21457?\u31080?\par Total\tab 5\par})", "发票\nTotal\t5\n"},
        {"two fallback characters, a negative value and a hex fallback",
         R"({\rtf1\uc2\u-3913??\u21457\'3f\'3fx})", QString(QChar(0xF0B7)) + "发x"},
        {"bytes in the document's code page",
         "{\\rtf1\\ansi\\ansicpg936 \\'b7\\'a2\\'c6\\'b1\\par}", "发票\n"},
        {"bytes in the font's character set",
         "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset134 "
         "SimSun;}}"
         "Caf\\'e9 {\\f1 \\'b7\\'a2\\'c6\\'b1}\\par}",
         "Café 发票\n"},
        {"destinations and ignorable groups left out",
         R"({\rtf1{\colortbl;\red0\green0\blue0;}{\stylesheet{\s0 Normal;}}{\info{\title T}{\author A}})"
         R"({\*\generator Writer;}{\*\unknownthing secret}{\header Page head}Body {\field{\*\fldinst HYPERLINK "u"}{\fldrslt shown}}\par})",
         "Body shown\n"},
        {"escaped braces, symbols and a binary run",
         R"({\rtf1 a\{b\}c\\d\~e\emdash f\bullet\lquote g\rquote {\pict\bin2 }}} end})",
         "a{b}c\\d\u00A0e\u2014f\u2022\u2018g\u2019 end"},
        {"line breaks in the source are not text", "{\\rtf1 one\r\ntwo\\line three}",
         "onetwo\nthree"},
        {"a truncated document", "{\\rtf1 cut off \\u21457", "cut off 发"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(OfficeReader::rtfText(c.rtf), c.expected) << c.what;

    EXPECT_EQ(Extractor::extract(save("note.RTF", cases[0].rtf), false),
              (Extraction{"发票\nTotal\t5\n", "office"}));
}

TEST(OfficeReader, RichTextBundle)
{
    const QString bundle = TestSupport::makeFolder("Notes.rtfd");
    TestSupport::writeFile(bundle + "/TXT.rtf", R"({\rtf1\ansi Bundle \u25991?\u20214?\par})");
    TestSupport::writeFile(bundle + "/image.png", "png");
    EXPECT_EQ(Extractor::extract(bundle, false), (Extraction{"Bundle 文件\n", "office"}));
    const QString empty = TestSupport::makeFolder("Empty.rtfd");
    EXPECT_EQ(Extractor::extract(empty, false), (Extraction{"", "office"}));
}

TEST(OfficeReader, WebPages)
{
    const QByteArray page =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">"
        "<title>Title</title><style>p { color: red }</style>"
        "<script>var hidden = 1;</script></head><body><h1>" +
        gbk(QStringLiteral("电子发票")) +
        "</h1><p>Total&nbsp;<b>42</b> &amp; more</p>"
        "<img "
        "src=\"http://127.0.0.1:9/tracker.png\"><ul><li>one</li><li>two</li></ul></body></html>";
    const Extraction result = Extractor::extract(save("page.htm", page), false);
    EXPECT_EQ(result, (Extraction{"电子发票\nTotal 42 & more\none\ntwo", "office"}));
    QFuture<Extraction> future =
        Extractor::extractForIndexAsync(QDir(TestSupport::root()).filePath("page.htm"));
    while (!future.isFinished())
        QThread::msleep(5);
    EXPECT_EQ(future.result(), result);

    // UTF-8 without a declaration, and Windows-1252 when the bytes are not UTF-8.
    EXPECT_EQ(OfficeReader::htmlText("<p>caf\xC3\xA9</p>"), "café");
    EXPECT_EQ(OfficeReader::htmlText("<p>caf\xE9</p>"), "café");
    EXPECT_EQ(OfficeReader::htmlText(QByteArray("\xFF\xFE<\0p\0>\0h\0i\0", 12)), "hi");
}

TEST(OfficeReader, WebArchiveMainResource)
{
    QVariantMap main;
    main["WebResourceData"] =
        QByteArray("<html><body><p>Archived ") + gbk(QStringLiteral("合同")) + "</p></body></html>";
    main["WebResourceMIMEType"] = "text/html";
    main["WebResourceTextEncodingName"] = "GBK";
    main["WebResourceURL"] = "https://example.com/page";
    main["WebResourceFrameName"] = "";
    QVariantMap sub;
    sub["WebResourceData"] = QByteArray("<p>subresource</p>");
    sub["WebResourceMIMEType"] = "text/html";
    QVariantMap root;
    root["WebMainResource"] = main;
    root["WebSubresources"] = QVariantList{sub};
    const QByteArray archive = Fixtures::binaryPropertyList(root);
    EXPECT_EQ(Extractor::extract(save("saved.webarchive", archive), false),
              (Extraction{"Archived 合同", "office"}));

    // A plain-text main resource, and damaged archives.
    main["WebResourceData"] = QByteArray("plain words");
    main["WebResourceMIMEType"] = "text/plain";
    main["WebResourceTextEncodingName"] = "UTF-8";
    root["WebMainResource"] = main;
    EXPECT_EQ(OfficeReader::webArchiveText(Fixtures::binaryPropertyList(root)), "plain words");
    EXPECT_EQ(OfficeReader::webArchiveText(archive.left(archive.size() - 40)), "");
    EXPECT_EQ(OfficeReader::webArchiveText("bplist00"), "");
    QByteArray corrupt = archive;
    corrupt[corrupt.size() - 9] = char(0x7F); // offset table points past the end
    EXPECT_EQ(OfficeReader::webArchiveText(corrupt), "");
}

TEST(OfficeReader, WordDocumentThroughCatdoc)
{
    ASSERT_FALSE(QStandardPaths::findExecutable("catdoc").isEmpty())
        << "catdoc is in scripts/debian-packages";
    const QString path =
        save("report.doc", Fixtures::wordDocument(QStringLiteral(
                               "增值税发票 No. 12345678\rInvoice from Example Ltd.\r")));
    const Extraction result = Extractor::extract(path, false);
    EXPECT_EQ(result.source, "office");
    EXPECT_TRUE(result.text.contains(QStringLiteral("增值税发票 No. 12345678")))
        << result.text.toStdString();
    EXPECT_TRUE(result.text.contains(QStringLiteral("Invoice from Example Ltd.")))
        << result.text.toStdString();
    // The converter runs from the extractor's worker threads as well.
    QFuture<Extraction> future = Extractor::extractAsync(path, false);
    while (!future.isFinished())
        QThread::msleep(5);
    EXPECT_EQ(future.result(), result);

    // Rich text and web pages saved as .doc are read as what they are.
    EXPECT_EQ(Extractor::extract(save("rich.doc", R"({\rtf1 Rich \u25991?})"), false).text,
              "Rich 文");
    EXPECT_EQ(Extractor::extract(save("web.doc", "<html><body>Web page</body></html>"), false).text,
              "Web page");
}

TEST(OfficeReader, WordConverterFailuresAndTimeOut)
{
    const QString path = save("slow.doc", Fixtures::wordDocument(QStringLiteral("text\r")));
    const OfficeReader::DocConverter original = OfficeReader::docConverter();

    // A converter that never finishes is stopped at its time-out.
    OfficeReader::setDocConverter({"sh", {"-c", "sleep 60", "sh"}, std::chrono::milliseconds(300)});
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(Extractor::extract(path, false), (Extraction{"", "office"}));
    EXPECT_LT(clock.elapsed(), 30000) << "the reader waited for the converter to end by itself";

    // A failing converter's output is not used; a missing one gives nothing.
    OfficeReader::setDocConverter(
        {"sh", {"-c", "echo partial; exit 3", "sh"}, std::chrono::seconds(10)});
    EXPECT_EQ(Extractor::extract(path, false), (Extraction{"", "office"}));
    OfficeReader::setDocConverter({"marovel-no-such-converter", {}, std::chrono::seconds(10)});
    EXPECT_EQ(Extractor::extract(path, false), (Extraction{"", "office"}));
    OfficeReader::setDocConverter(original);
}

TEST(OfficeReader, PagesDocumentsAreNotRead)
{
    const QString path = save("Letter.pages", Fixtures::zip({{"Index/Document.iwa", "binary"}}));
    EXPECT_EQ(Extractor::extract(path, false), (Extraction{"", "office"}));
    EXPECT_EQ(Extractor::extractForIndex(path), (Extraction{"", "office"}));
}
