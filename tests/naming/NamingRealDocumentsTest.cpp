// Organising, applying and undoing on documents written at test time and read by the real
// extractor (text, a PDF through poppler, a picture through the recogniser) and named by
// the rules alone: the model never answers.
#include "Fixtures.h"
#include "NamingTestSupport.h"
#include "OnlineOnly.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <mutex>

namespace {

using namespace NamingTest;

QByteArray paperPdf()
{
    Fixtures::PdfBuilder pdf;
    Fixtures::PdfBuilder::Page page;
    page.size = QSizeF(595, 842);
    page.lines = {"Graph Search at Scale", "A. Keltrow and B. Lin",
                  "arXiv:2101.00001v2 [cs.DS] Submitted 5 Jan 2021", "Abstract",
                  "We study graph search on very large graphs.", "Keywords: graph search, indexing",
                  "References", "[1] A. Keltrow. Earlier work."};
    pdf.addPage(page);
    return pdf.build();
}

QByteArray tillReceiptPng()
{
    const QImage image = Fixtures::paintedText(
        {"GREEN GROCER MARKET", "2024-03-05 14:22", "APPLES 3.20", "BANANAS 1.85", "SUBTOTAL 5.05",
         "TAX 0.40", "TOTAL 5.45", "CARD 5.45"},
        QStringLiteral("Noto Sans CJK SC"), 30, QSize(700, 520));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

using NamingRealDocuments = BrowserNaming;

TEST_F(NamingRealDocuments, OrganiseProposesApplyRenamesAndOneUndoRestoresEveryName)
{
    FakeEngines noModel;
    struct Document
    {
        QString name;
        QByteArray content;
        QString prefix; // the proposed name starts with it; empty: the name is kept
        QString part;   // and holds it
        QString extension;
    };
    const QList<Document> documents{
        {"inv.txt",
         "Invoice Number: 5531\nInvoice Date: 03/05/2024\nBill To: Orchid Dental Group LLC\n"
         "Cleaning supplies  $310.00\nTotal Due: $310.00\nPayable within 30 days.",
         "2024-03-05_", "Orchid_Dental", ".txt"},
        {"receipt.txt",
         "From: Tidewater Books <orders@tidewaterbooks.com>\nTo: sam.lee@example.com\n"
         "Subject: Your receipt from Tidewater Books\nDate: Tue, 5 Mar 2024 14:02:11 -0500\n\n"
         "Thanks for shopping with us! Here is your receipt.\nOrder #10457\n"
         "Subtotal $38.00\nShipping $4.99\nSales tax $3.14\nTotal $46.13\n"
         "Paid with Visa ending in 4242\nQuestions? Write to us from the contact page.",
         "2024-03-05_", "Tidewater_Books", ".txt"},
        {"2101.00001v2.pdf", paperPdf(), "2021-01-05_", "arXiv-2101.00001", ".pdf"},
        {"IMG_20240305_1422.png", tillReceiptPng(), "2024-03-05_", "", ".png"},
        {"empty.txt", "", "", "", ""},
    };
    const QString folder = makeTree("real-documents", {});
    for (const Document &document : documents)
        TestSupport::writeFile(folder + u'/' + document.name, document.content);

    BrowserState browser;
    open(browser, folder);
    organizeAndWait(browser);
    EXPECT_EQ(browser.status(), L("AI 建议改名 %lld 个，保持原样 %lld 个 · 勾选后点「应用改名」",
                                  qint64(4), qint64(1)));
    for (const Document &document : documents) {
        SCOPED_TRACE(document.name.toStdString());
        const FileItem item = itemNamed(browser, document.name);
        if (document.prefix.isEmpty()) {
            EXPECT_FALSE(item.suggestion.has_value());
            EXPECT_FALSE(item.accept);
            EXPECT_EQ(item.reason, L("内容为空/无法读取，保留原名"));
            continue;
        }
        ASSERT_TRUE(item.suggestion.has_value()) << item.reason.toStdString();
        EXPECT_TRUE(item.accept);
        EXPECT_TRUE(item.suggestion->startsWith(document.prefix)) << item.suggestion->toStdString();
        EXPECT_TRUE(item.suggestion->contains(document.part)) << item.suggestion->toStdString();
        EXPECT_TRUE(item.suggestion->endsWith(document.extension)) << item.suggestion->toStdString();
        EXPECT_NE(item.conf, FileItem::noConfidence());
        EXPECT_FALSE(item.reason.isEmpty());
    }

    QStringList proposed;
    for (const FileItem &item : browser.activePane()->items()) {
        if (item.accept)
            proposed << *item.suggestion;
    }
    applyAndWait(browser);
    EXPECT_EQ(browser.status(), L("已改名 %lld 个（可撤销）", qint64(4)));
    for (const QString &name : proposed)
        EXPECT_TRUE(QFileInfo::exists(folder + u'/' + name)) << name.toStdString();
    ASSERT_EQ(browser.undoStack().size(), 1);

    browser.performUndo();
    ASSERT_TRUE(waitFor([&] {
        for (const Document &document : documents) {
            if (!QFileInfo::exists(folder + u'/' + document.name))
                return false;
        }
        return true;
    }));
    settle();
    QStringList expected;
    for (const Document &document : documents) {
        expected << document.name;
        EXPECT_EQ(TestSupport::readFile(folder + u'/' + document.name), document.content)
            << document.name.toStdString();
    }
    QStringList listed = names(browser.activePane()->items());
    listed.sort();
    expected.sort();
    EXPECT_EQ(listed, expected);
}

// A provider whose files are online until the first read that fetches them.
class FakeCloud : public OnlineOnly
{
public:
    bool isOnlineOnly(const QString &path) const override
    {
        std::lock_guard lock(m_lock);
        return !m_fetched.contains(path);
    }
    void startDownloading(const QString &) override {}
    void materialize(const QString &path) override
    {
        std::lock_guard lock(m_lock);
        m_fetched.insert(path);
    }
    void pause(std::chrono::milliseconds) override {}

private:
    mutable std::mutex m_lock;
    QSet<QString> m_fetched;
};

TEST_F(NamingRealDocuments, APlaceholderIsReadOnlyWhenTheCallerAllowsTheDownload)
{
    FakeEngines noModel;
    const QString folder = makeTree("placeholder", {});
    const QString path = folder + "/receipt.txt";
    writeText(path, "Invoice Number: 5531\nInvoice Date: 03/05/2024\nBill To: Orchid Dental Group LLC\n"
                    "Cleaning supplies  $310.00\nTotal Due: $310.00\nPayable within 30 days.");
    OnlineOnly::setShared(std::make_shared<FakeCloud>());
    BrowserState browser;
    open(browser, folder);

    organizeAndWait(browser); // the organise buttons never download
    FileItem item = itemNamed(browser, "receipt.txt");
    EXPECT_FALSE(item.suggestion.has_value());
    EXPECT_EQ(item.conf, FileItem::noConfidence());
    EXPECT_EQ(item.reason, L("☁︎ 在线文件 · 未下载正文（需要时右键「下载并读内容起名」）"));

    browser.organizeURLs({path}, true);
    ASSERT_TRUE(waitFor([&] { return !browser.scanning(); }, 60000));
    item = itemNamed(browser, "receipt.txt");
    OnlineOnly::setShared(nullptr);
    ASSERT_TRUE(item.suggestion.has_value()) << item.reason.toStdString();
    EXPECT_TRUE(item.suggestion->startsWith("2024-03-05_"));
    EXPECT_TRUE(item.accept);
}

} // namespace
