#include "Applications.h"
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "DisplayHelpers.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>

using namespace BrowserTest;

namespace {

// A data folder of this process, put first in XDG_DATA_DIRS: the per-test XDG_DATA_HOME
// changes with each test, while GIO reads the desktop-file folders once.
QTemporaryDir &dataFolder()
{
    static QTemporaryDir folder;
    return folder;
}

QString applicationsFolder()
{
    return dataFolder().path() + "/applications";
}

void writeText(const QString &path, const QByteArray &text, bool executable = false)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser);
}

// The result of `f` run on a thread of its own: the lookups refuse the GUI thread. (A
// QFuture's result() may run a task not yet started on the waiting thread.)
template <typename F>
auto offGui(F &&f)
{
    return std::async(std::launch::async, std::forward<F>(f)).get();
}

QString marker()
{
    return dataFolder().path() + "/launched.txt";
}

// Desktop entries for PDF files, written before the first GIO lookup of this process.
class Apps : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        qputenv("XDG_DATA_DIRS", dataFolder().path().toUtf8() + ":/usr/local/share:/usr/share");
        const QString apps = applicationsFolder();
        QDir().mkpath(apps);
        const QString script = dataFolder().path() + "/launch.sh";
        writeText(script, "#!/bin/sh\nprintf '%s' \"$1\" > '" + marker().toUtf8() + "'\n", true);
        const auto entry = [&](const QString &id, const QString &name, const QString &exec) {
            writeText(apps + "/" + id,
                      "[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec=" +
                          exec.toUtf8() + "\nMimeType=application/pdf;\n");
        };
        entry("tool10.desktop", "Tool 10", script + " %f");
        entry("tool9.desktop", "Tool 9", script + " %f");
        entry("alpha.desktop", "alpha viewer", script + " %f");
        entry("marker.desktop", "Marker", script + " %f");
        // The index update-desktop-database writes beside installed entries; GIO reads it.
        writeText(apps + "/mimeinfo.cache",
                  "[MIME Cache]\napplication/pdf=tool10.desktop;tool9.desktop;alpha.desktop;marker.desktop;\n");
        writeText(apps + "/mimeapps.list",
                  "[Default Applications]\napplication/pdf=tool10.desktop\n"
                  "[Added Associations]\napplication/pdf=tool10.desktop;tool10.desktop;\n");
    }
};

TEST_F(Apps, ListsEachApplicationOnceByName)
{
    const QStringList ids = offGui([] { return Applications::forMimeType("application/pdf"); });
    QStringList ours;
    for (const QString &id : ids)
        if (QFile::exists(applicationsFolder() + "/" + id))
            ours << id;
    EXPECT_EQ(ours, (QStringList{"alpha.desktop", "marker.desktop", "tool9.desktop", "tool10.desktop"}));
    EXPECT_EQ(ids.count("tool10.desktop"), 1);
    EXPECT_EQ(offGui([] { return Applications::displayName("tool9.desktop"); }), "Tool 9");
    EXPECT_TRUE(offGui([] { return Applications::forMimeType("application/x-nothing-opens-this"); }).isEmpty());
}

TEST_F(Apps, LookupsAreRefusedOnTheGuiThread)
{
    const QString dir = makeTree("apps/refused", {"a.pdf"});
    EXPECT_TRUE(Applications::forMimeType("application/pdf").isEmpty());
    EXPECT_TRUE(Applications::forFile(dir + "/a.pdf").isEmpty());
    EXPECT_TRUE(Applications::forFileNamed(dir + "/a.pdf").isEmpty());
    EXPECT_TRUE(Applications::displayName("tool9.desktop").isEmpty());
    EXPECT_FALSE(offGui([&] { return Applications::forFile(dir + "/a.pdf"); }).isEmpty());
}

TEST_F(Apps, TheBrowserLooksUpOnAWorkerAndCachesByExtensionOnly)
{
    const QString dir = makeTree("apps/files", {"a.PDF", "b.pdf"});
    writeText(dir + "/scan", "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj\n<<>>\nendobj\n");
    BrowserState browser;
    const QFuture<QList<Applications::App>> first = browser.appsFor(dir + "/a.PDF");
    EXPECT_TRUE(waitFor([&] { return browser.appsCache().contains("pdf"); }, 5000));
    EXPECT_TRUE(first.result().contains(Applications::App{"tool9.desktop", "Tool 9"}));
    EXPECT_EQ(browser.appsCache().keys(), QStringList{"pdf"});

    // The second file of the extension is answered from the cache, at once.
    browser.appsCache()["pdf"] = {{"cached.desktop", "Cached"}};
    const auto second = browser.appsFor(dir + "/b.pdf");
    ASSERT_TRUE(second.isFinished());
    EXPECT_EQ(second.result(), (QList<Applications::App>{{"cached.desktop", "Cached"}}));
    // The display helper asks anew every time.
    QStringList ids;
    for (const Applications::App &app : first.result())
        ids << app.id;
    EXPECT_EQ(offGui([&] { return appsForURL(dir + "/b.pdf"); }), ids);

    // No extension: found by content, asked every time, never cached.
    const auto scan = browser.appsFor(dir + "/scan");
    EXPECT_TRUE(waitFor([&] { return scan.isFinished(); }, 5000));
    EXPECT_TRUE(scan.result().contains(Applications::App{"tool9.desktop", "Tool 9"}));
    settle();
    EXPECT_EQ(browser.appsCache().size(), 1);
}

TEST_F(Apps, OpenWithLaunchesTheEntry)
{
    QFile::remove(marker());
    const QString dir = makeTree("apps/launch", {"doc.pdf"});
    BrowserState browser;
    browser.openWith(dir + "/doc.pdf", "marker.desktop");
    EXPECT_TRUE(waitFor([] { return QFileInfo(marker()).size() > 0; }, 5000));
    QFile file(marker());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), (dir + "/doc.pdf").toUtf8());
}

TEST(Terminal, FirstFoundOfGhosttyThenTheDesktopsThenXterm)
{
    const QString bin = TestSupport::makeFolder("terminal/bin");
    const QString folder = TestSupport::makeFolder("terminal/here");
    const QString out = TestSupport::root() + "/terminal/out.txt";
    const auto fake = [&](const QString &name) {
        writeText(bin + "/" + name, "#!/bin/sh\necho " + name.toUtf8() + " \"$(pwd)\" > '" + out.toUtf8() + "'\n", true);
    };
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8());
    BrowserState browser;

    browser.openInTerminal(folder); // none installed: nothing happens
    EXPECT_TRUE(Applications::terminal().isEmpty());

    const struct
    {
        QString add;
        QString expected;
    } steps[] = {{"xterm", "xterm"}, {"x-terminal-emulator", "x-terminal-emulator"}, {"ghostty", "ghostty"}};
    for (const auto &step : steps) {
        fake(step.add);
        QFile::remove(out);
        browser.openInTerminal(folder);
        EXPECT_TRUE(waitFor([&] { return QFileInfo(out).size() > 0; }, 5000)) << step.add.toStdString();
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().trimmed(), (step.expected + " " + folder).toUtf8());
    }
    qputenv("PATH", path);
}

TEST(CloudDrives, NoneWithoutOnlineAccounts)
{
    EXPECT_TRUE(BrowserState().cloudDrives().isEmpty());
}

} // namespace
