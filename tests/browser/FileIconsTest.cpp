// File icons: chosen by name while painting, by content later for names that tell nothing,
// and cached by type.
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "FileIcons.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <sys/stat.h>

using namespace BrowserTest;

namespace {

const QByteArray pngBytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
const QByteArray pdfBytes("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj\n<<>>\nendobj\n");

// A folder with two files without extension, an image and a document.
QString extensionless()
{
    const QString folder = makeTree("icons-noext", {});
    TestSupport::writeFile(folder + "/scan", pngBytes);
    TestSupport::writeFile(folder + "/report", pdfBytes);
    return folder;
}

TEST(FileIcons, ExtensionlessFilesOfDifferentTypesGetTheirOwnIcons)
{
    const QString folder = extensionless();
    BrowserState browser;
    QSignalSpy changed(&browser.icons(), &FileIcons::iconChanged);
    browser.icon(folder + "/scan", false);
    browser.icon(folder + "/report", false);
    ASSERT_TRUE(waitFor([&] { return changed.count() == 2; }, 5000));

    EXPECT_EQ(browser.icons().typeOf(folder + "/scan", false), "image/png");
    EXPECT_EQ(browser.icons().typeOf(folder + "/report", false), "application/pdf");
    const QIcon image = browser.icon(folder + "/scan", false);
    const QIcon document = browser.icon(folder + "/report", false);
    EXPECT_NE(image.cacheKey(), document.cacheKey());
    EXPECT_TRUE(browser.iconCache().contains("image/png"));
    EXPECT_TRUE(browser.iconCache().contains("application/pdf"));
    // A later request is answered from what was read, without reading again.
    settle();
    EXPECT_EQ(changed.count(), 2);
}

TEST(FileIcons, PaintingChoosesByNameAndReadsContentOnAWorker)
{
    const QString folder = extensionless();
    BrowserState browser;
    std::atomic<int> reads = 0;
    std::atomic<bool> readOnGui = false;
    QThread *gui = QThread::currentThread();
    browser.icons().setContentReader([&](const QString &path) {
        readOnGui = readOnGui || QThread::currentThread() == gui;
        ++reads;
        return FileIcons::readContentType(path);
    });
    QSignalSpy changed(&browser.icons(), &FileIcons::iconChanged);

    // The cell is painted with the name's type: a file without extension looks generic.
    browser.icon(folder + "/scan", false);
    EXPECT_EQ(browser.icons().typeOf(folder + "/scan", false), "application/octet-stream");
    EXPECT_EQ(browser.iconCache().keys(), QStringList{"application/octet-stream"});
    EXPECT_FALSE(readOnGui);

    // The content's type comes later from the worker.
    ASSERT_TRUE(waitFor([&] { return changed.count() == 1; }, 5000));
    EXPECT_EQ(changed.first().first().toString(), folder + "/scan");
    EXPECT_FALSE(readOnGui);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(browser.icons().typeOf(folder + "/scan", false), "image/png");

    // Names that tell the type are never read.
    TestSupport::writeFile(folder + "/photo.png", pdfBytes);
    TestSupport::writeFile(folder + "/Makefile", pngBytes);
    EXPECT_EQ(browser.icons().typeOf(folder + "/photo.png", false), "image/png");
    EXPECT_EQ(browser.icons().typeOf(folder + "/Makefile", false), "text/x-makefile");
    EXPECT_EQ(browser.icons().typeOf(folder + "/sub", true), "inode/directory");
    settle();
    EXPECT_EQ(reads, 1);
}

TEST(FileIcons, TheReaderOpensRegularFilesOnly)
{
    const QString folder = extensionless();
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "/pipe").constData(), 0600), 0);
    const struct
    {
        const char *name;
        const char *type;
    } cases[] = {
        {"scan", "image/png"},
        {"report", "application/pdf"},
        {"pipe", "application/octet-stream"}, // opening it would wait for a writer
        {"missing", "application/octet-stream"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FileIcons::readContentType(folder + "/" + c.name), c.type) << c.name;
}

} // namespace
