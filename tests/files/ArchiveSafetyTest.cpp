// Archives built here with hostile or unusual entries: extraction must never write outside
// its new folder, never write through a link, never restore set-user-ID bits, and keep
// non-ASCII names whatever the process locale.
#include "Archive.h"
#include "FileOps.h"
#include "FilesTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>
#include <clocale>
#include <sys/stat.h>
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

constexpr qint64 MiB = qint64(1) << 20;
constexpr qint64 GiB = qint64(1) << 30;
constexpr qint64 TiB = qint64(1) << 40;

// A pax archive with one sparse entry of `size` bytes whose only data are 512-byte blocks
// of "x" at `offsets`: a few KiB on disk. The writer takes the entry's whole content and
// keeps what falls into those blocks; with `onlyFirst` just the first block is written,
// the rest of the data reads back as zeros (for entries too big to stream).
void writeSparseTar(const QString &path, qint64 size, const QList<qint64> &offsets,
                    bool onlyFirst = false)
{
    struct archive *a = archive_write_new();
    archive_write_set_format_pax_restricted(a);
    ASSERT_EQ(archive_write_open_filename(a, QFile::encodeName(path).constData()), ARCHIVE_OK);
    struct archive_entry *entry = archive_entry_new();
    archive_entry_set_pathname(entry, "disk.img");
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_size(entry, size);
    for (const qint64 offset : offsets)
        archive_entry_sparse_add_entry(entry, offset, 512);
    ASSERT_EQ(archive_write_header(a, entry), ARCHIVE_OK);
    const QByteArray block(512, 'x');
    const QByteArray zeros(int(MiB), '\0');
    qint64 position = 0;
    for (const qint64 offset : offsets) {
        for (; position < offset; position += std::min(offset - position, MiB))
            archive_write_data(a, zeros.constData(), size_t(std::min(offset - position, MiB)));
        ASSERT_EQ(archive_write_data(a, block.constData(), 512), 512);
        position += 512;
        if (onlyFirst)
            break;
    }
    archive_entry_free(entry);
    archive_write_close(a);
    archive_write_free(a);
}

// Reports a volume of `size` bytes with `available` bytes free, for as long as it lives.
class FakeVolume
{
public:
    FakeVolume(qint64 size, qint64 available)
    {
        Archive::setVolumeSpaceProbe([=](const QString &) {
            return std::optional<Archive::VolumeSpace>(Archive::VolumeSpace{size, available});
        });
    }
    ~FakeVolume() { Archive::setVolumeSpaceProbe({}); }
};

// Whatever the archive claims or hides, what it writes may not leave the volume with less
// than 5 % of its size or 1 GiB free, whichever is smaller; a refused archive leaves
// nothing behind.
TEST(ArchiveSafety, ArchivesThatWouldFillTheVolumeAreRefused)
{
    FilesTest::ScopedLanguage en("en");
    const QString dir = TestSupport::makeFolder("bombs");
    writeSparseTar(dir + "/sparse.tar", TiB, {0, TiB - 512}, true);
    FilesTest::writeArchive(dir + "/bomb.zip", {{"zeros.bin", Entry::File, QByteArray(64 * MiB, '\0')}}, "zip");
    ASSERT_LT(QFileInfo(dir + "/bomb.zip").size(), MiB); // a true bomb: tiny outside, huge inside
    FilesTest::writeArchive(dir + "/big.tar", {{"big.bin", Entry::File, QByteArray(5 * MiB, 'b')}});
    QList<Entry> many;
    for (int i = 0; i < 2000; ++i)
        many.append({QStringLiteral("empty-%1").arg(i), Entry::File, {}});
    FilesTest::writeArchive(dir + "/many.tar", many);
    const QStringList archives = namesIn(dir);

    const struct
    {
        const char *what;
        const char *archive;
        qint64 volume;
        qint64 available;
        bool extracts;
    } cases[] = {
        {"a 1 TiB sparse entry on a roomy volume", "sparse.tar", 4 * TiB, TiB, false},
        {"a 64 MiB zip bomb with 4 MiB to spare", "bomb.zip", 100 * GiB, GiB + 4 * MiB, false},
        {"the zip bomb with room for it", "bomb.zip", 100 * GiB, GiB + 80 * MiB, true},
        // 1 GiB stays free on a big volume, 5 % on a small one.
        {"5 MiB with 4 MiB above the 1 GiB kept free", "big.tar", 100 * GiB, GiB + 4 * MiB, false},
        {"5 MiB with 6 MiB above the 1 GiB kept free", "big.tar", 100 * GiB, GiB + 6 * MiB, true},
        {"5 MiB with 4 MiB above the 5 % kept free", "big.tar", 10 * GiB, 512 * MiB + 4 * MiB, false},
        {"5 MiB with 6 MiB above the 5 % kept free", "big.tar", 10 * GiB, 512 * MiB + 6 * MiB, true},
        {"a full volume", "big.tar", 100 * GiB, 100 * MiB, false},
        // Entries count even when empty: each takes at least a block.
        {"2000 empty files with 4 MiB to spare", "many.tar", 100 * GiB, GiB + 4 * MiB, false},
        {"2000 empty files with 16 MiB to spare", "many.tar", 100 * GiB, GiB + 16 * MiB, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const FakeVolume volume(c.volume, c.available);
        QString out;
        QString message = QStringLiteral("<no error>");
        try {
            out = FileOps::extract(dir + "/" + c.archive);
        } catch (const FileOpsError &e) {
            message = e.description();
        }
        if (c.extracts) {
            EXPECT_EQ(message, "<no error>");
            ASSERT_FALSE(out.isEmpty());
            EXPECT_TRUE(QDir(out).removeRecursively());
        } else {
            EXPECT_TRUE(message.endsWith("extracting it would leave too little free space on the disk"))
                << message.toStdString();
        }
        EXPECT_EQ(namesIn(dir), archives); // nothing left behind
    }
}

// A sparse entry that fits becomes a sparse file: its holes take no space.
TEST(ArchiveSafety, SparseEntriesAreWrittenSparse)
{
    const QString dir = TestSupport::makeFolder("sparse-entry");
    writeSparseTar(dir + "/disk.tar", 64 * MiB, {0, 32 * MiB, 64 * MiB - 512});
    QString out;
    ASSERT_TRUE(extracts(dir + "/disk.tar", &out));
    const QString file = out + "/disk.img";
    struct stat info;
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_size, 64 * MiB);
    EXPECT_LT(qint64(info.st_blocks) * 512, MiB);
    const QByteArray content = TestSupport::readFile(file);
    EXPECT_EQ(content.mid(32 * MiB, 512), QByteArray(512, 'x'));
    EXPECT_EQ(content.mid(32 * MiB - 512, 512), QByteArray(512, '\0'));
    EXPECT_EQ(content.right(512), QByteArray(512, 'x'));
}

// The first entry is written, the second is refused: the whole new folder goes.
TEST(ArchiveSafety, ARefusedArchiveTakesItsWrittenEntriesWithIt)
{
    const QString dir = TestSupport::makeFolder("partial");
    FilesTest::writeArchive(dir + "/half.tar", {{"docs/ok.txt", Entry::File, "fine"},
                                                {"../escaped.txt", Entry::File, "bad"}});
    EXPECT_FALSE(extracts(dir + "/half.tar"));
    EXPECT_EQ(namesIn(dir), QStringList{"half.tar"});
}

} // namespace
