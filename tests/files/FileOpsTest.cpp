#include "FileOps.h"
#include "FilesTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using FilesTest::Entry;
using FilesTest::namesIn;
using FilesTest::ScopedLanguage;

QString errorOf(const std::function<void()> &call, int *code = nullptr)
{
    try {
        call();
    } catch (const FileOpsError &e) {
        if (code)
            *code = e.code();
        return e.description();
    }
    return QStringLiteral("<no error>");
}

void link(const QString &target, const QString &path)
{
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()),
              0);
}

TEST(FileOps, NamesSplitAtTheLastDotUnlessItLeadsOrEnds)
{
    const struct
    {
        const char *name, *base, *ext;
    } cases[] = {{"report.pdf", "report", "pdf"},
                 {"x.tar.gz", "x.tar", "gz"},
                 {".profile", ".profile", ""},
                 {"notes", "notes", ""},
                 {"a.", "a.", ""},
                 {".config.json", ".config", "json"}};
    for (const auto &c : cases) {
        const auto [base, ext] = FileOps::splitExtension(c.name);
        EXPECT_EQ(base, c.base) << c.name;
        EXPECT_EQ(ext, c.ext) << c.name;
    }
}

TEST(FileOps, CollisionFreeNamesSkipEverythingTaken)
{
    const QString dir = TestSupport::makeFolder("names");
    for (const char *name : {"a.txt", "a 2.txt", ".profile", "notes", "x.tar.gz"})
        TestSupport::writeFile(dir + "/" + name, "taken");
    link("nowhere", dir + "/gone.txt"); // a dangling link still takes its name

    const struct
    {
        const char *name, *expected;
    } cases[] = {{"a.txt", "a 3.txt"},       {".profile", ".profile 2"},
                 {"notes", "notes 2"},       {"fresh.txt", "fresh.txt"},
                 {"gone.txt", "gone 2.txt"}, {"x.tar.gz", "x.tar 2.gz"}};
    for (const auto &c : cases)
        EXPECT_EQ(FileOps::collisionFree(dir, c.name), dir + "/" + c.expected) << c.name;

    // The set counts as taken too, and is only read.
    const QSet<QString> taken{"b.txt", "b 2.txt"};
    TestSupport::writeFile(dir + "/b 3.txt", "disk");
    EXPECT_EQ(FileOps::collisionFreeName(dir, "b.txt", taken), "b 4.txt");
    EXPECT_EQ(FileOps::collisionFreeName(dir, "c.txt", {"c.txt"}), "c 2.txt");
    EXPECT_EQ(FileOps::collisionFreeName(dir, "a.txt", {}), "a 3.txt");
    EXPECT_EQ(taken.size(), 2);
}

TEST(FileOps, MoveAndCopyNeverReplaceWhatIsThere)
{
    const QString src = TestSupport::makeFolder("from");
    const QString dst = TestSupport::makeFolder("to");
    TestSupport::writeFile(src + "/a.txt", "new a");
    TestSupport::writeFile(src + "/b.txt", "new b");
    TestSupport::writeFile(dst + "/a.txt", "old a");

    const QStringList copied = FileOps::copy({src + "/a.txt", src + "/b.txt"}, dst);
    EXPECT_EQ(copied, QStringList({dst + "/a 2.txt", dst + "/b.txt"}));
    EXPECT_EQ(TestSupport::readFile(dst + "/a.txt"), "old a");
    EXPECT_EQ(TestSupport::readFile(dst + "/a 2.txt"), "new a");
    EXPECT_TRUE(QFile::exists(src + "/a.txt"));

    const QStringList moved = FileOps::move({src + "/a.txt"}, dst);
    EXPECT_EQ(moved, QStringList({dst + "/a 3.txt"}));
    EXPECT_FALSE(QFile::exists(src + "/a.txt"));
    EXPECT_EQ(TestSupport::readFile(dst + "/a.txt"), "old a");

    // Into the folder that already holds it: the next free name beside itself.
    EXPECT_EQ(FileOps::move({src + "/b.txt"}, src), QStringList({src + "/b 2.txt"}));
}

TEST(FileOps, CopyKeepsTreesLinksAndModes)
{
    const QString src = TestSupport::makeFolder("tree");
    TestSupport::writeFile(src + "/Project/docs/readme.md", "hello");
    ASSERT_EQ(::chmod(QFile::encodeName(src + "/Project/docs/readme.md").constData(), 0640), 0);
    link("docs/readme.md", src + "/Project/link");
    link("/etc", src + "/Project/outside");
    const QString dst = TestSupport::makeFolder("copies");

    const QStringList copies = FileOps::copy({src + "/Project"}, dst);
    ASSERT_EQ(copies, QStringList({dst + "/Project"}));
    EXPECT_EQ(TestSupport::readFile(dst + "/Project/docs/readme.md"), "hello");
    EXPECT_EQ(FilesTest::modeOf(dst + "/Project/docs/readme.md"), 0640);
    EXPECT_EQ(QFileInfo(dst + "/Project/link").symLinkTarget(), dst + "/Project/docs/readme.md");
    // A link to a folder elsewhere is copied as a link, not as the folder's content.
    EXPECT_TRUE(QFileInfo(dst + "/Project/outside").isSymLink());
}

TEST(FileOps, AFolderNeverGoesIntoItself)
{
    const QString root = TestSupport::makeFolder("self");
    TestSupport::writeFile(root + "/A/inner/file.txt", "x");
    link(root + "/A/inner", root + "/inner-link");
    const QStringList before = namesIn(root + "/A/inner");

    for (const QString &target : {root + "/A", root + "/A/inner", root + "/inner-link"}) {
        int code = 0;
        EXPECT_NE(errorOf([&] { FileOps::copy({root + "/A"}, target); }, &code), "<no error>");
        EXPECT_EQ(code, EINVAL);
        EXPECT_NE(errorOf([&] { FileOps::move({root + "/A"}, target); }, &code), "<no error>");
        EXPECT_EQ(code, EINVAL);
    }
    EXPECT_EQ(namesIn(root + "/A/inner"), before);
    EXPECT_EQ(namesIn(root + "/A"), QStringList({"inner"}));
}

TEST(FileOps, AFailureStopsAndReportsWhatWasDone)
{
    ScopedLanguage en("en");
    const QString src = TestSupport::makeFolder("partial");
    const QString dst = TestSupport::makeFolder("partial-to");
    TestSupport::writeFile(src + "/one.txt", "1");
    TestSupport::writeFile(src + "/three.txt", "3");
    try {
        FileOps::move({src + "/one.txt", src + "/two.txt", src + "/three.txt"}, dst);
        FAIL() << "moving a missing file succeeded";
    } catch (const FileOpsError &e) {
        EXPECT_EQ(e.code(), ENOENT);
        EXPECT_TRUE(e.description().startsWith("Could not move")) << e.description().toStdString();
        ASSERT_EQ(e.completed().size(), 1);
        EXPECT_EQ(e.completed().first(), std::pair(src + "/one.txt", dst + "/one.txt"));
    }
    EXPECT_EQ(namesIn(dst), QStringList({"one.txt"}));
    EXPECT_TRUE(QFile::exists(src + "/three.txt"));
}

TEST(FileOps, DuplicatesAreNamedAsCopies)
{
    const QString dir = TestSupport::makeFolder("dup");
    TestSupport::writeFile(dir + "/a.txt", "a");
    TestSupport::writeFile(dir + "/README", "r");
    TestSupport::writeFile(dir + "/Folder/x", "x");
    {
        ScopedLanguage zh("zh-Hans");
        EXPECT_EQ(FileOps::duplicate({dir + "/a.txt"}), QStringList({dir + "/a 副本.txt"}));
        EXPECT_EQ(FileOps::duplicate({dir + "/a.txt", dir + "/README", dir + "/Folder"}),
                  QStringList({dir + "/a 副本 2.txt", dir + "/README 副本", dir + "/Folder 副本"}));
    }
    EXPECT_EQ(TestSupport::readFile(dir + "/a 副本 2.txt"), "a");
    EXPECT_EQ(TestSupport::readFile(dir + "/Folder 副本/x"), "x");
    ScopedLanguage en("en");
    EXPECT_EQ(FileOps::duplicate({dir + "/a.txt"}), QStringList({dir + "/a copy.txt"}));
}

// A name taken between the choice of a destination and the system call that creates it
// is not replaced: the operation moves on to the next free name.
TEST(FileOps, ANameTakenInTheMeantimeIsNotReplaced)
{
    ScopedLanguage zh("zh-Hans");
    const QString dir = TestSupport::makeFolder("race");
    const QString src = TestSupport::makeFolder("race-src");
    struct Case
    {
        const char *what;
        std::function<QStringList()> run;
        QString firstChoice;
        QString expected;
    };
    TestSupport::writeFile(src + "/m.txt", "moved");
    TestSupport::writeFile(src + "/c.txt", "copied");
    TestSupport::writeFile(dir + "/d.txt", "duplicated");
    TestSupport::writeFile(dir + "/z.txt", "zipped");
    FilesTest::writeArchive(dir + "/e.tar", {{"inside.txt", Entry::File, "e"}});
    const QList<Case> cases = {
        {"move", [&] { return FileOps::move({src + "/m.txt"}, dir); }, dir + "/m.txt",
         dir + "/m 2.txt"},
        {"copy", [&] { return FileOps::copy({src + "/c.txt"}, dir); }, dir + "/c.txt",
         dir + "/c 2.txt"},
        {"duplicate", [&] { return FileOps::duplicate({dir + "/d.txt"}); }, dir + "/d 副本.txt",
         dir + "/d 副本 2.txt"},
        {"zip", [&] { return QStringList{FileOps::zip({dir + "/z.txt"})}; }, dir + "/z.zip",
         dir + "/z 2.zip"},
        {"extract", [&] { return QStringList{FileOps::extract(dir + "/e.tar")}; }, dir + "/e",
         dir + "/e 2"},
    };
    for (const Case &c : cases) {
        bool raced = false;
        FileOps::setBeforeCreateHook([&](const QString &destination) {
            if (!raced && destination == c.firstChoice) {
                raced = true;
                TestSupport::writeFile(destination, "someone else's");
            }
        });
        const QStringList result = c.run();
        FileOps::setBeforeCreateHook({});
        EXPECT_TRUE(raced) << c.what;
        EXPECT_EQ(result, QStringList{c.expected}) << c.what;
        EXPECT_EQ(TestSupport::readFile(c.firstChoice), "someone else's") << c.what;
    }
}

TEST(FileOps, ZipWritesRealArchivesNamedAfterTheirContent)
{
    ScopedLanguage zh("zh-Hans");
    const QString a = TestSupport::makeFolder("zip/a");
    const QString b = TestSupport::makeFolder("zip/b");
    TestSupport::writeFile(a + "/report.pdf", "%PDF-1.4 report");
    TestSupport::writeFile(a + "/Photos/2024/p.jpg", "jpeg");
    TestSupport::writeFile(b + "/report.pdf", "%PDF-1.4 other");
    TestSupport::writeFile(b + "/notes.txt", "notes");

    // One file: report.pdf -> report.zip holding report.pdf.
    const QString single = FileOps::zip({a + "/report.pdf"});
    EXPECT_EQ(single, a + "/report.zip");
    QString format;
    auto entries = FilesTest::readArchive(single, &format);
    ASSERT_TRUE(entries);
    EXPECT_EQ(format, "ZIP 2.0 (deflation)");
    ASSERT_EQ(entries->size(), 1);
    EXPECT_EQ(entries->at(0).name, "report.pdf");
    EXPECT_EQ(entries->at(0).content, "%PDF-1.4 report");
    EXPECT_TRUE(TestSupport::readFile(single).startsWith("PK\x03\x04"));

    // A folder: Photos -> Photos.zip with the folder at the top.
    const QString folder = FileOps::zip({a + "/Photos"});
    EXPECT_EQ(folder, a + "/Photos.zip");
    entries = FilesTest::readArchive(folder);
    ASSERT_TRUE(entries);
    QStringList names;
    for (const Entry &e : *entries)
        names << e.name;
    EXPECT_EQ(names, QStringList({"Photos/", "Photos/2024/", "Photos/2024/p.jpg"}));

    // Several items from different folders: "归档.zip" in the first one's folder; equal
    // names are numbered, not dropped; a second run takes the next free name.
    const QStringList several{b + "/report.pdf", a + "/report.pdf", b + "/notes.txt"};
    EXPECT_EQ(FileOps::zip(several), b + "/归档.zip");
    EXPECT_EQ(FileOps::zip(several), b + "/归档 2.zip");
    entries = FilesTest::readArchive(b + "/归档.zip");
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 3);
    EXPECT_EQ(entries->at(0).name, "report.pdf");
    EXPECT_EQ(entries->at(0).content, "%PDF-1.4 other");
    EXPECT_EQ(entries->at(1).name, "report 2.pdf");
    EXPECT_EQ(entries->at(1).content, "%PDF-1.4 report");
    EXPECT_EQ(entries->at(2).name, "notes.txt");
}

// The archive is written inside a folder that is itself being archived: it must not
// read its own growing output.
TEST(FileOps, ZipNeverReadsItsOwnOutput)
{
    const QString dir = TestSupport::makeFolder("zipself");
    TestSupport::writeFile(dir + "/a.txt", "a");
    const QString archive = FileOps::zip({dir + "/a.txt", dir});
    const auto entries = FilesTest::readArchive(archive);
    ASSERT_TRUE(entries);
    QStringList names;
    for (const Entry &e : *entries)
        names << e.name;
    EXPECT_EQ(names, QStringList({"a.txt", "zipself/", "zipself/a.txt"}));
}

TEST(FileOps, AFailedZipLeavesNothingBehind)
{
    const QString dir = TestSupport::makeFolder("zipfail");
    TestSupport::writeFile(dir + "/a.txt", "a");
    const QStringList before = namesIn(dir);

    int code = 0;
    EXPECT_NE(errorOf([&] { FileOps::zip({}); }, &code), "<no error>");
    EXPECT_EQ(code, ENOENT);
    EXPECT_NE(errorOf([&] { FileOps::zip({dir + "/a.txt", dir + "/missing.txt"}); }), "<no error>");
    EXPECT_EQ(namesIn(dir), before); // neither an archive nor its temporary file
}

TEST(FileOps, ExtractNamesTheFolderAfterTheArchive)
{
    const QString dir = TestSupport::makeFolder("extract");
    const QList<Entry> entries = {{"docs/", Entry::Folder, {}},
                                  {"docs/a.txt", Entry::File, "alpha"},
                                  {"run.sh", Entry::File, "#!/bin/sh\n", 0755}};
    FilesTest::writeArchive(dir + "/data.zip", entries, "zip");
    FilesTest::writeArchive(dir + "/x.tar.gz", entries, "tar.gz");
    FilesTest::writeArchive(dir + "/A.ZIP", entries, "zip");

    EXPECT_EQ(FileOps::extract(dir + "/data.zip"), dir + "/data");
    EXPECT_EQ(FileOps::extract(dir + "/data.zip"), dir + "/data 2");
    EXPECT_EQ(FileOps::extract(dir + "/x.tar.gz"), dir + "/x.tar");
    EXPECT_EQ(FileOps::extract(dir + "/A.ZIP"), dir + "/A");
    for (const char *folder : {"data", "data 2", "x.tar", "A"}) {
        const QString out = dir + "/" + folder;
        EXPECT_EQ(TestSupport::readFile(out + "/docs/a.txt"), "alpha") << folder;
        EXPECT_EQ(FilesTest::modeOf(out + "/run.sh") & 0111, 0111) << folder;
    }
}

TEST(FileOps, AFailedExtractionIsAFailure)
{
    ScopedLanguage en("en");
    const QString dir = TestSupport::makeFolder("badarchives");
    TestSupport::writeFile(dir + "/plain.zip", "this is not an archive at all");
    // A real archive cut short: the first entry's data ends early.
    FilesTest::writeArchive(
        dir + "/full.tar.gz",
        {{"big.bin", Entry::File, QByteArray(200000, 'q')}, {"second.txt", Entry::File, "two"}},
        "tar.gz");
    TestSupport::writeFile(dir + "/cut.tar.gz",
                           TestSupport::readFile(dir + "/full.tar.gz").left(300));

    for (const char *name : {"plain.zip", "cut.tar.gz", "missing.zip"}) {
        const QString message = errorOf([&] { FileOps::extract(dir + "/" + name); });
        EXPECT_NE(message, "<no error>") << name;
    }
    // Nothing of a failed extraction is left behind, not even what it wrote before the
    // failure.
    EXPECT_EQ(namesIn(dir), QStringList({"cut.tar.gz", "full.tar.gz", "plain.zip"}));
}

// A sparse file: 64 MiB long, with data only in its first and its middle 4 KiB.
QString makeSparseFile(const QString &path)
{
    TestSupport::writeFile(path, QByteArray(4096, 'a'));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadWrite));
    EXPECT_TRUE(file.seek(32 << 20));
    EXPECT_EQ(file.write(QByteArray(4096, 'b')), 4096);
    EXPECT_TRUE(file.resize(qint64(64) << 20));
    return path;
}

qint64 allocated(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? qint64(info.st_blocks) * 512 : -1;
}

TEST(FileOps, CopiesOfSparseFilesStaySparse)
{
    const QString dir = TestSupport::makeFolder("sparse");
    const QString source = makeSparseFile(dir + "/disk.img");
    if (allocated(source) > (1 << 20))
        GTEST_SKIP() << "this file system does not keep holes";
    const QString copied = FileOps::copy({source}, TestSupport::makeFolder("sparse/to")).value(0);
    const QString duplicated = FileOps::duplicate({source}).value(0);
    for (const QString &copy : {copied, duplicated}) {
        SCOPED_TRACE(copy.toStdString());
        EXPECT_EQ(QFileInfo(copy).size(), qint64(64) << 20);
        EXPECT_LT(allocated(copy), 1 << 20); // not 64 MiB of written zeros
        EXPECT_EQ(TestSupport::readFile(copy), TestSupport::readFile(source));
    }
}

} // namespace
