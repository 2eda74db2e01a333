// The extractor's entry points: choice of reader, plain-text reading, size limit, cuts,
// cloud placeholders and the quality of each source label.
#include "Extractor.h"
#include "Fixtures.h" // PrintTo(Extraction) for every test of this executable
#include "OnlineFiles.h"
#include "OnlineOnly.h"
#include "TestSupport.h"
#include "TextUtil.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <atomic>

#include <sys/stat.h>

using TestSupport::root;
using TestSupport::writeFile;

namespace {

QString file(const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(root()).filePath(name);
    writeFile(path, bytes);
    return path;
}

// A placeholder that becomes local after a given number of coordinated reads.
class FakeCloud : public OnlineOnly
{
public:
    explicit FakeCloud(int readsUntilLocal) : m_readsUntilLocal(readsUntilLocal) {}

    bool isOnlineOnly(const QString &) const override
    {
        return m_readsUntilLocal < 0 || m_reads < m_readsUntilLocal;
    }
    void startDownloading(const QString &) override { ++downloads; }
    void materialize(const QString &) override { ++m_reads; }
    void pause(std::chrono::milliseconds duration) override
    {
        ++pauses;
        pausedFor += duration;
    }

    int downloads = 0;
    int pauses = 0;
    std::chrono::milliseconds pausedFor{0};
    int reads() const { return m_reads; }

private:
    int m_readsUntilLocal; // negative: never
    int m_reads = 0;
};

class CloudScope
{
public:
    explicit CloudScope(std::shared_ptr<OnlineOnly> query)
    {
        OnlineOnly::setShared(std::move(query));
    }
    ~CloudScope() { OnlineOnly::setShared(nullptr); }
};

} // namespace

TEST(Extractor, ChoosesTheReaderByLowerCasedExtension)
{
    const QByteArray hello = "hello world";
    struct Case
    {
        const char *name;
        QString naming, index; // source labels
        QString text;
    };
    const Case cases[] = {
        {"notes.TXT", "text", "text", "hello world"}, {"data.Json", "text", "text", "hello world"},
        {"README", "skip", "metadata", ""},           {"archive.tar.gz", "skip", "metadata", ""},
        {".profile", "skip", "metadata", ""},         {"trailing.", "skip", "metadata", ""},
        {"slides.key", "skip", "metadata", ""},
    };
    for (const Case &c : cases) {
        const QString path = file(QString::fromLatin1(c.name), hello);
        EXPECT_EQ(Extractor::extract(path, false), (Extraction{c.text, c.naming})) << c.name;
        EXPECT_EQ(Extractor::extractForIndex(path), (Extraction{c.text, c.index})) << c.name;
    }
}

TEST(Extractor, PathExtension)
{
    EXPECT_EQ(Extractor::pathExtension("/a/b/Report.PDF"), "pdf");
    EXPECT_EQ(Extractor::pathExtension("/a/b.d/README"), "");
    EXPECT_EQ(Extractor::pathExtension("/a/.bashrc"), "");
    EXPECT_EQ(Extractor::pathExtension("/a/x.tar.gz"), "gz");
    EXPECT_EQ(Extractor::pathExtension("/a/x."), "");
}

TEST(Extractor, TextIsUtf8WithIllFormedBytesRepaired)
{
    struct Case
    {
        QByteArray bytes;
        QString expected;
    };
    const Case cases[] = {
        // Latin-1 accents: each lone byte becomes one replacement character.
        {"Caf\xE9 na\xEFve", QStringLiteral("Caf\uFFFD na\uFFFDve")},
        // UTF-16 read as UTF-8: the byte-order mark is two bad bytes, zero bytes stay.
        {QByteArray("\xFF\xFE"
                    "A\0B\0",
                    6),
         QStringLiteral("\uFFFD\uFFFDA") + QChar(0) + "B" + QChar(0)},
        // A sequence cut short is one replacement character, not one per byte.
        {"ab\xF0\x9F\x98", QStringLiteral("ab\uFFFD")},
        {"x\xF0\x9F\x98y", QStringLiteral("x\uFFFDy")},
        // Surrogate code points and overlong forms are ill-formed.
        {"\xED\xA0\x80!", QStringLiteral("\uFFFD\uFFFD\uFFFD!")},
        {"\xC0\xAF", QStringLiteral("\uFFFD\uFFFD")},
        // Valid text, a byte-order mark dropped, emoji kept.
        {"\xEF\xBB\xBF"
         "\xE5\x8F\x91\xE7\xA5\xA8 \xF0\x9F\x98\x80",
         QStringLiteral("发票 \U0001F600")},
        {"", ""},
    };
    for (const Case &c : cases) {
        const QString path = file("sample.txt", c.bytes);
        EXPECT_EQ(Extractor::extract(path, false), (Extraction{c.expected, "text"}))
            << c.bytes.toHex().constData();
    }
}

// Chinese .txt files are often in GBK: bytes that are not UTF-8 and that the charset
// detector confidently calls GB18030 are read as such, for naming and for the index.
TEST(Extractor, ChineseTextInGbkIsRead)
{
    const QString text = QStringLiteral("关于召开2024年第一季度工作会议的通知\n各部门：\n定于2024年3月5日下午"
                                        "在三楼会议室召开第一季度工作会议，请各部门负责人准时参加。\n办公室");
    const auto encode = [](const QString &value) {
        UErrorCode status = U_ZERO_ERROR;
        UConverter *converter = ucnv_open("GBK", &status);
        QByteArray out(value.size() * 4 + 16, '\0');
        const int32_t length = ucnv_fromUChars(converter, out.data(), int32_t(out.size()),
                                               reinterpret_cast<const UChar *>(value.utf16()),
                                               int32_t(value.size()), &status);
        ucnv_close(converter);
        out.resize(length);
        return out;
    };
    const QString path = file("通知.txt", encode(text));
    EXPECT_EQ(Extractor::extract(path, false), (Extraction{text, "text"}));

    // A long file: the index reads far beyond the first block.
    QString longText;
    while (longText.size() < 60000)
        longText += text + u'\n';
    const QString longPath = file("长通知.txt", encode(longText));
    EXPECT_EQ(Extractor::extractForIndex(longPath), (Extraction{longText, "text"}));
    EXPECT_EQ(Extractor::extract(longPath, false).text, Extractor::cut(longText, Extractor::namingCut));
}

TEST(Extractor, UnreadableTextFilesGiveEmptyText)
{
    // A folder named like a text file, a missing file, and a pipe (which would block a
    // reader forever) all give empty text with the branch's label.
    const QString folder = TestSupport::makeFolder("folder.txt");
    const QString missing = QDir(root()).filePath("missing.md");
    const QString pipe = QDir(root()).filePath("pipe.log");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString &path : {folder, missing, pipe}) {
        EXPECT_EQ(Extractor::extract(path, false), (Extraction{"", "text"})) << path.toStdString();
        EXPECT_EQ(Extractor::extractForIndex(path), (Extraction{"", "text"})) << path.toStdString();
    }
}

TEST(Extractor, SizeLimitIsSixtyFourMebibytesInclusive)
{
    QByteArray bytes(Extractor::sizeLimit, 'a');
    bytes.replace(0, 6, "start ");
    const QString exact = file("exact.txt", bytes);
    const Extraction read = Extractor::extract(exact, false);
    EXPECT_EQ(read.source, "text");
    EXPECT_EQ(read.text, QString("start ") + QString(Extractor::namingCut - 6, 'a'));

    bytes.append('a');
    const QString over = file("over.txt", bytes);
    EXPECT_EQ(Extractor::extract(over, false), (Extraction{"", "text"}));
    EXPECT_EQ(Extractor::extractForIndex(over), (Extraction{"", "text"}));
    // The office readers share the limit (a sparse file is enough to show it).
    const QString rtf = QDir(root()).filePath("big.rtf");
    writeFile(rtf, "{\\rtf1 hello}");
    ASSERT_TRUE(QFile::resize(rtf, Extractor::sizeLimit + 1));
    EXPECT_EQ(Extractor::extract(rtf, false), (Extraction{"", "office"}));
}

TEST(Extractor, CutsCountUserPerceivedCharacters)
{
    // "é" as e + combining acute: two UTF-16 units, one character.
    const QString accented = QStringLiteral("e\u0301");
    QString text;
    for (int i = 0; i < 5000; ++i)
        text += i % 7 == 0 ? accented : QStringLiteral("x");
    const QString path = file("long.md", text.toUtf8());

    const Extraction naming = Extractor::extract(path, false);
    EXPECT_EQ(TextUtil::graphemeCount(naming.text), 1800);
    EXPECT_TRUE(text.startsWith(naming.text));
    EXPECT_FALSE(naming.text.endsWith(QChar('e'))) << "a character was split";
    EXPECT_EQ(Extractor::extractForIndex(path).text, text);

    QString huge;
    huge.reserve(300000 * 2);
    for (int i = 0; i < 300000; ++i)
        huge += i == 199999 ? accented : QStringLiteral("y");
    const QString big = file("big.csv", huge.toUtf8());
    const Extraction index = Extractor::extractForIndex(big);
    EXPECT_EQ(TextUtil::graphemeCount(index.text), 200000);
    EXPECT_TRUE(index.text.endsWith(accented));
}

TEST(Extractor, FoldsKangxiRadicalsToIdeographs)
{
    // ⽇ (U+2F47) and ⽉ (U+2F49) are radicals that look like 日 and 月; ⺟ (U+2E9F) has a
    // compatibility mapping to 母. Radicals without one stay.
    const QString path =
        file("radicals.txt", QStringLiteral("\u2F47期 \u2F49份 \u2E9F \u2E80").toUtf8());
    EXPECT_EQ(Extractor::extract(path, false).text, QStringLiteral("日期 月份 母 \u2E80"));
}

TEST(Extractor, QualityOfSourceLabels)
{
    using Q = Extractor::ExtractionQuality;
    const std::pair<const char *, Q> cases[] = {
        {"pdf-text", Q::textual}, {"text", Q::textual},  {"office", Q::textual},
        {"pdf-ocr", Q::ocr},      {"image-ocr", Q::ocr}, {"pdf", Q::pdfNoText},
        {"online", Q::other},     {"skip", Q::other},    {"metadata", Q::other},
        {"", Q::other},           {"PDF-TEXT", Q::other}};
    for (const auto &[label, quality] : cases)
        EXPECT_EQ(Extractor::quality(label), quality) << label;
}

TEST(Extractor, PlaceholdersAreNotReadWithoutDownload)
{
    const auto cloud = std::make_shared<FakeCloud>(-1);
    CloudScope scope(cloud);
    for (const char *name : {"a.txt", "b.pdf", "c.png", "d"}) {
        const QString path = file(QString::fromLatin1(name), "content");
        EXPECT_TRUE(Extractor::isOnlineOnly(path));
        EXPECT_EQ(Extractor::extract(path, false), (Extraction{"", "online"}));
        EXPECT_EQ(Extractor::extractForIndex(path), (Extraction{"", "online"}));
    }
    EXPECT_EQ(cloud->downloads, 0);
    EXPECT_EQ(cloud->reads(), 0);
}

TEST(Extractor, DownloadWaitIsBounded)
{
    const QString path = file("remote.txt", "arrived");
    {
        // Never arrives: 60 passes, each with a read and a pause of half a second.
        const auto cloud = std::make_shared<FakeCloud>(-1);
        CloudScope scope(cloud);
        EXPECT_EQ(Extractor::extract(path, true), (Extraction{"", "online"}));
        EXPECT_EQ(cloud->downloads, 1);
        EXPECT_EQ(cloud->reads(), 60);
        EXPECT_EQ(cloud->pauses, 60);
        EXPECT_EQ(cloud->pausedFor, std::chrono::milliseconds(30000));
    }
    {
        // Arrives with the third read: read at once, without a further pause.
        const auto cloud = std::make_shared<FakeCloud>(3);
        CloudScope scope(cloud);
        EXPECT_EQ(Extractor::extract(path, true), (Extraction{"arrived", "text"}));
        EXPECT_EQ(cloud->reads(), 3);
        EXPECT_EQ(cloud->pauses, 2);
    }
}

TEST(Extractor, ListingAndExtractionShareTheOnlineQuery)
{
    // A placeholder query installed for the folder listing holds for the readers too.
    const QString path = file("shared.txt", "words");
    OnlineFiles::setQuery([](const QString &p) { return p.endsWith("shared.txt"); });
    EXPECT_TRUE(Extractor::isOnlineOnly(path));
    EXPECT_EQ(Extractor::extract(path, false), (Extraction{"", "online"}));
    EXPECT_EQ(Extractor::extractForIndex(path), (Extraction{"", "online"}));
    OnlineFiles::setQuery({});
    EXPECT_EQ(Extractor::extract(path, true), (Extraction{"words", "text"}));
}

TEST(Extractor, LinuxFilesAreNeverOnlineOnly)
{
    // A sparse file claims content but occupies no blocks: still local on Linux.
    const QString path = QDir(root()).filePath("sparse.txt");
    writeFile(path, "");
    ASSERT_TRUE(QFile::resize(path, 1 << 20));
    EXPECT_FALSE(Extractor::isOnlineOnly(path));
    EXPECT_EQ(Extractor::extract(path, true).source, "text");
}

TEST(Extractor, AsyncFormsRunOnTheExtractorsPool)
{
    // The fake notes the thread that asked it; waiting without blocking keeps Qt from
    // running the task on the waiting thread.
    class ThreadSpy : public OnlineOnly
    {
    public:
        bool isOnlineOnly(const QString &) const override
        {
            asker = QThread::currentThread();
            return false;
        }
        void startDownloading(const QString &) override {}
        void materialize(const QString &) override {}
        mutable std::atomic<QThread *> asker{nullptr};
    };
    const auto spy = std::make_shared<ThreadSpy>();
    CloudScope scope(spy);
    const QString path = file("async.txt", "from a worker");
    for (QFuture<Extraction> future :
         {Extractor::extractAsync(path, false), Extractor::extractForIndexAsync(path)}) {
        while (!future.isFinished())
            QThread::msleep(1);
        EXPECT_EQ(future.result(), (Extraction{"from a worker", "text"}));
        EXPECT_NE(spy->asker.load(), nullptr);
        EXPECT_NE(spy->asker.load(), QThread::currentThread());
    }
}

TEST(Extractor, ReadabilityBoundaries)
{
    struct Case
    {
        QString text;
        bool readable;
    };
    const Case cases[] = {
        {"", false},
        {"abcde!@#$%", true},     // 5 letters, 5 symbols
        {"abcd!@#$%^", false},    // 4 letters, 6 symbols
        {"\u3002\u3002!!", true}, // the ideographic full stop counts as good
        {"\uFF0C\uFF0Cab", true}, // full-width commas do not, but half is enough
        {"\uFF0C\uFF0C\uFF0Ca", false},
        {"\r\r\ra", false}, // carriage returns are not good
        {"\t\n a", true},
        {"\uFFFD\uFFFD\uFFFDab", false},
        {"é\u0301ü", true},               // letters and marks
        {"\U0001F600\U0001F600a", false}, // emoji are symbols
        {"١٢٣!!!", true},                 // digits of another script
        {"\U00020000\U00020000!!", true},  // ideographs beyond U+FFFF count once each
        // Unpaired surrogates are broken text (U+FFFD), not CJK.
        {QString(QChar(0xDC00)) + QChar(0xD800) + u'a', false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Extractor::isReadable(c.text), c.readable) << c.text.toStdString();
}
