// Archives built here with hostile or unusual entries: extraction must never write outside
// its new folder, never write through a link, never restore set-user-ID bits, and keep
// non-ASCII names whatever the process locale.
#include "FileOps.h"
#include "FilesTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <clocale>
#include <unistd.h>

namespace {

using FilesTest::Entry;
using FilesTest::namesIn;

bool extracts(const QString &archive, QString *folder = nullptr)
{
    try {
        const QString out = FileOps::extract(archive);
        if (folder)
            *folder = out;
        return true;
    } catch (const FileOpsError &) {
        return false;
    }
}

TEST(ArchiveSafety, EntriesThatEscapeTheDestinationAreRefused)
{
    const QString root = TestSupport::makeFolder("safety");
    const QString outside = TestSupport::makeFolder("safety/outside");
    const QString work = TestSupport::makeFolder("safety/work/deep");
    const QString absolute = root + "/absolute-target.txt";

    const struct
    {
        const char *name;
        QList<Entry> entries;
    } cases[] = {
        {"dotdot.tar", {{"ok.txt", Entry::File, "fine"}, {"../escaped.txt", Entry::File, "bad"}}},
        {"nested-dotdot.tar", {{"a/../../escaped.txt", Entry::File, "bad"}}},
        {"absolute.tar", {{absolute, Entry::File, "bad"}}},
        {"through-link.tar",
         {{"link", Entry::Link, outside.toUtf8()}, {"link/owned.txt", Entry::File, "bad"}}},
        {"relative-link.tar",
         {{"up", Entry::Link, "../../outside"}, {"up/owned.txt", Entry::File, "bad"}}},
        {"hardlink-out.tar", {{"h", Entry::HardLink, "../../outside/victim.txt"}}},
    };
    TestSupport::writeFile(outside + "/victim.txt", "untouched");
    for (const auto &c : cases) {
        const QString archive = work + "/" + c.name;
        FilesTest::writeArchive(archive, c.entries);
        EXPECT_FALSE(extracts(archive)) << c.name;
        EXPECT_EQ(namesIn(outside), QStringList({"victim.txt"})) << c.name;
        EXPECT_EQ(TestSupport::readFile(outside + "/victim.txt"), "untouched") << c.name;
        EXPECT_FALSE(QFileInfo::exists(absolute)) << c.name;
        EXPECT_FALSE(QFileInfo::exists(work + "/escaped.txt")) << c.name;
        EXPECT_FALSE(QFileInfo::exists(root + "/safety/work/escaped.txt")) << c.name;
    }

}

TEST(ArchiveSafety, ASecondEntryOfOneNameFailsTheExtraction)
{
    // libarchive would skip the later entry and report success; nothing is ever replaced
    // or written through the archive's own link.
    const QString work = TestSupport::makeFolder("twice/work");
    const QString outside = TestSupport::makeFolder("twice/outside");
    TestSupport::writeFile(outside + "/victim.txt", "untouched");
    const struct
    {
        const char *name;
        QList<Entry> entries;
    } cases[] = {
        {"same-file.tar", {{"a.txt", Entry::File, "first"}, {"a.txt", Entry::File, "second"}}},
        {"file-over-folder.tar", {{"n/", Entry::Folder, {}}, {"n", Entry::File, "x"}}},
        {"file-over-link.tar",
         {{"same", Entry::Link, (outside + "/victim.txt").toUtf8()}, {"same", Entry::File, "archive's"}}},
    };
    for (const auto &c : cases) {
        const QString archive = work + "/" + c.name;
        FilesTest::writeArchive(archive, c.entries);
        EXPECT_FALSE(extracts(archive)) << c.name;
        EXPECT_EQ(TestSupport::readFile(outside + "/victim.txt"), "untouched") << c.name;
    }
    // A folder entry after files inside it is no clash.
    FilesTest::writeArchive(work + "/late-folder.tar",
                            {{"d/inner.txt", Entry::File, "x"}, {"d/", Entry::Folder, {}}});
    EXPECT_TRUE(extracts(work + "/late-folder.tar"));
}

TEST(ArchiveSafety, PermissionsAreKeptWithoutSetIdBits)
{
    const QString dir = TestSupport::makeFolder("modes");
    FilesTest::writeArchive(dir + "/modes.tar", {{"setuid", Entry::File, "x", 04755},
                                                 {"setgid", Entry::File, "x", 02750},
                                                 {"plain", Entry::File, "x", 0640}});
    QString out;
    ASSERT_TRUE(extracts(dir + "/modes.tar", &out));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(FilesTest::modeOf(out + "/setuid"), int(0755 & ~mask));
    EXPECT_EQ(FilesTest::modeOf(out + "/setgid"), int(0750 & ~mask));
    EXPECT_EQ(FilesTest::modeOf(out + "/plain"), int(0640 & ~mask));
}

TEST(ArchiveSafety, LinksInsideTheArchiveAreMadeAsLinks)
{
    const QString dir = TestSupport::makeFolder("links");
    FilesTest::writeArchive(dir + "/links.tar", {{"docs/a.txt", Entry::File, "alpha"},
                                                 {"shortcut", Entry::Link, "docs/a.txt"},
                                                 {"hard", Entry::HardLink, "docs/a.txt"},
                                                 {"pointer", Entry::Link, "/etc/hostname"}});
    QString out;
    ASSERT_TRUE(extracts(dir + "/links.tar", &out));
    EXPECT_EQ(QFileInfo(out + "/shortcut").symLinkTarget(), out + "/docs/a.txt");
    EXPECT_EQ(TestSupport::readFile(out + "/hard"), "alpha");
    EXPECT_TRUE(QFileInfo(out + "/pointer").isSymLink());
}

// Non-ASCII names survive a process running under the C locale, both ways.
TEST(ArchiveSafety, NonAsciiNamesUnderTheCLocale)
{
    const QString dir = TestSupport::makeFolder("names");
    TestSupport::writeFile(dir + "/资料/报告 2024.txt", "报告");
    TestSupport::writeFile(dir + "/Zoë.txt", "z");
    FilesTest::writeArchive(dir + "/外部.zip", {{"发票/三月.pdf", Entry::File, "pdf"}}, "zip");

    const std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    QString zipped, fromZip, fromForeign;
    bool ok = true;
    try {
        zipped = FileOps::zip({dir + "/资料", dir + "/Zoë.txt"});
        fromZip = FileOps::extract(zipped);
        fromForeign = FileOps::extract(dir + "/外部.zip");
    } catch (const FileOpsError &e) {
        ok = false;
        ADD_FAILURE() << e.description().toStdString();
    }
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_TRUE(ok);

    EXPECT_EQ(TestSupport::readFile(fromZip + "/资料/报告 2024.txt"), "报告");
    EXPECT_EQ(TestSupport::readFile(fromZip + "/Zoë.txt"), "z");
    EXPECT_EQ(TestSupport::readFile(fromForeign + "/发票/三月.pdf"), "pdf");
    EXPECT_EQ(fromForeign, dir + "/外部");
}

} // namespace
