#include "Defaults.h"
#include "Integration.h"
#include "IntegrationTestSupport.h"
#include "MimeAppsList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

#undef signals // GLib uses the name
#include <gio/gio.h>
#define signals Q_SIGNALS

using namespace IntegrationTest;

namespace {

const QString defaults = QStringLiteral("Default Applications");
const QString folders = QStringLiteral("inode/directory");

QString userEntry()
{
    return dataHome() + QStringLiteral("/applications/marovel.desktop");
}

std::optional<QString> userHandler()
{
    return MimeAppsList::readValue(mimeApps(), defaults, folders);
}

// Installs the entry, then waits until GIO has seen it.
void install()
{
    ASSERT_TRUE(Integration::installDesktopEntry(QStringLiteral("/usr/bin/true")));
    ASSERT_TRUE(gioKnowsMarovel());
}

TEST(Integration, DesktopEntryRunsAnExecutableWhosePathNeedsQuoting)
{
    // A stand-in for the executable that notes how it was started. (No "%" in the path:
    // GIO checks the program before it undoes the doubled "%%" the format asks for, and
    // refuses such an entry; ExecArgumentQuotesAndEscapes covers the doubling.)
    const QString folder = TestSupport::makeFolder(QStringLiteral("odd dir/\"sure\" $HOME `x` \\"));
    const QString executable = folder + QStringLiteral("/mar ovel");
    const QString marker = TestSupport::root() + QStringLiteral("/marker");
    TestSupport::writeFile(executable, QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > '%1'\n").arg(marker).toUtf8());
    QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    ASSERT_TRUE(Integration::installDesktopEntry(executable));
    const QByteArray entry = TestSupport::readFile(userEntry());
    EXPECT_TRUE(entry.contains("\nIcon=marovel\n"));
    EXPECT_TRUE(entry.contains("\nMimeType=inode/directory;\n"));
    EXPECT_TRUE(entry.contains("\nTryExec="));
    EXPECT_TRUE(Integration::isInstalled());

    GDesktopAppInfo *info = g_desktop_app_info_new_from_filename(userEntry().toUtf8().constData());
    ASSERT_NE(info, nullptr) << entry.constData();
    const QString argument = TestSupport::makeFolder(QStringLiteral("a folder"));
    GList *uris = g_list_append(nullptr, g_strdup(QUrl::fromLocalFile(argument).toEncoded().constData()));
    GError *error = nullptr;
    const gboolean launched = g_app_info_launch_uris(G_APP_INFO(info), uris, nullptr, &error);
    g_list_free_full(uris, g_free);
    g_object_unref(info);
    ASSERT_TRUE(launched) << (error ? error->message : "");
    ASSERT_TRUE(eventually([&] { return QFileInfo(marker).size() > 0; }));
    const QStringList lines = QString::fromUtf8(TestSupport::readFile(marker)).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(0), executable);
    // The folder arrives as its address or as its path.
    const QString given = lines.at(1).startsWith(QLatin1String("file:")) ? QUrl(lines.at(1)).toLocalFile() : lines.at(1);
    EXPECT_EQ(given, argument);
}

TEST(Integration, ExecArgumentQuotesAndEscapes)
{
    EXPECT_EQ(Integration::execArgument(QStringLiteral("/usr/bin/marovel")), QStringLiteral("\"/usr/bin/marovel\""));
    // " ` $ \ get a backslash, % doubles, then the key file escapes each backslash again.
    EXPECT_EQ(Integration::execArgument(QStringLiteral("/a \"b\"/c$`d\\e%f")),
              QStringLiteral("\"/a \\\\\"b\\\\\"/c\\\\$\\\\`d\\\\\\\\e%%f\""));
}

TEST(Integration, InstallReplacesAnOldEntryAndFailsWhereItCannotWrite)
{
    EXPECT_FALSE(Integration::isInstalled());
    TestSupport::writeFile(userEntry(), "[Desktop Entry]\nExec=/old/marovel\n");
    ASSERT_TRUE(Integration::installDesktopEntry(QStringLiteral("/new/marovel")));
    EXPECT_TRUE(TestSupport::readFile(userEntry()).contains("Exec=\"/new/marovel\" %U"));

    // A system folder of $XDG_DATA_DIRS counts as installed too.
    QFile::remove(userEntry());
    const QString system = TestSupport::makeFolder(QStringLiteral("system-share"));
    qputenv("XDG_DATA_DIRS", system.toUtf8());
    EXPECT_FALSE(Integration::isInstalled());
    TestSupport::writeFile(system + QStringLiteral("/applications/marovel.desktop"), "[Desktop Entry]\n");
    EXPECT_TRUE(Integration::isInstalled());

    // The data folder's place taken by a file: nothing can be written.
    QDir(dataHome()).removeRecursively();
    TestSupport::writeFile(dataHome(), "not a folder");
    EXPECT_FALSE(Integration::installDesktopEntry(QStringLiteral("/new/marovel")));
}

TEST(Integration, DefaultViewerFromNoLineToOnAndBackLeavesTheUsersOtherLines)
{
    // The desktop's own choice, below the user's file.
    writeOtherHandler(QStringLiteral("other-fm.desktop"));
    TestSupport::writeFile(dataHome() + QStringLiteral("/applications/mimeapps.list"),
                           "[Default Applications]\ninode/directory=other-fm.desktop\n");
    const QByteArray user = "[Default Applications]\ntext/plain=gedit.desktop\n\n[Added Associations]\nimage/png=eog.desktop;\n";
    TestSupport::writeFile(mimeApps(), user);
    install();
    EXPECT_FALSE(Integration::isDefaultFileViewer());

    Integration::setDefaultFileViewer(true);
    EXPECT_EQ(userHandler(), QStringLiteral("marovel.desktop"));
    EXPECT_TRUE(eventually([] { return Integration::isDefaultFileViewer(); }));

    Integration::setDefaultFileViewer(false);
    EXPECT_EQ(userHandler(), std::nullopt);
    EXPECT_TRUE(eventually([] { return !Integration::isDefaultFileViewer(); }));
    const QByteArray after = TestSupport::readFile(mimeApps());
    for (const QByteArray &line : user.split('\n'))
        EXPECT_TRUE(after.contains(line)) << line.constData();
}

TEST(Integration, GivingBackRestoresThePreviousHandlerButNotALaterChoice)
{
    writeOtherHandler(QStringLiteral("other-fm.desktop"));
    writeOtherHandler(QStringLiteral("later-fm.desktop"));
    TestSupport::writeFile(mimeApps(), "[Default Applications]\ninode/directory=other-fm.desktop\n");
    install();

    Integration::setDefaultFileViewer(true);
    EXPECT_EQ(userHandler(), QStringLiteral("marovel.desktop"));
    Integration::setDefaultFileViewer(true); // again: the handler noted stays the other one
    Integration::setDefaultFileViewer(false);
    EXPECT_EQ(userHandler(), QStringLiteral("other-fm.desktop"));

    // Claimed again, then another program takes the role: giving back leaves its choice.
    Integration::setDefaultFileViewer(true);
    ASSERT_TRUE(MimeAppsList::writeValue(mimeApps(), defaults, folders, QStringLiteral("later-fm.desktop")));
    Integration::setDefaultFileViewer(false);
    EXPECT_EQ(userHandler(), QStringLiteral("later-fm.desktop"));
}

TEST(Integration, ReassertsOnlyWhenWantedInstalledAndNotDefault)
{
    writeOtherHandler(QStringLiteral("other-fm.desktop"));
    install();
    struct Case
    {
        bool wanted;
        bool installed;
        bool isDefault;
        QString expected; // the user's handler line afterwards
    };
    const QString marovel = QStringLiteral("marovel.desktop");
    const QString other = QStringLiteral("other-fm.desktop");
    const QList<Case> cases{
        {true, true, false, marovel}, {true, true, true, marovel},    {true, false, false, other},
        {true, false, true, marovel}, {false, true, false, other},    {false, true, true, marovel},
        {false, false, false, other}, {false, false, true, marovel},
    };
    const QByteArray entry = TestSupport::readFile(userEntry());
    for (const Case &c : cases) {
        ASSERT_TRUE(MimeAppsList::writeValue(mimeApps(), defaults, folders, c.isDefault ? marovel : other));
        ASSERT_TRUE(eventually([&] { return Integration::isDefaultFileViewer() == c.isDefault; }));
        Defaults::shared().setValue(QLatin1String(Integration::wantedKey), c.wanted);
        if (c.installed)
            TestSupport::writeFile(userEntry(), entry);
        else
            QFile::remove(userEntry());
        Integration::reassertIfWanted();
        EXPECT_EQ(userHandler(), c.expected)
            << "wanted " << c.wanted << " installed " << c.installed << " default " << c.isDefault;
        TestSupport::writeFile(userEntry(), entry);
    }
}

TEST(Integration, LoginEntryIsWrittenReadAndRemoved)
{
    const QString autostart = configHome() + QStringLiteral("/autostart/marovel.desktop");
    EXPECT_FALSE(Integration::isLoginEnabled());
    Integration::setLogin(true, QStringLiteral("/opt/marovel/bin/marovel"));
    EXPECT_TRUE(Integration::isLoginEnabled());
    EXPECT_TRUE(TestSupport::readFile(autostart).contains("Exec=\"/opt/marovel/bin/marovel\" %U"));
    Integration::setLogin(false, QStringLiteral("/opt/marovel/bin/marovel"));
    EXPECT_FALSE(QFileInfo::exists(autostart));
    EXPECT_FALSE(Integration::isLoginEnabled());

    // A user entry that hides itself is off.
    TestSupport::writeFile(autostart, "[Desktop Entry]\nType=Application\nExec=marovel\nHidden=true\n");
    EXPECT_FALSE(Integration::isLoginEnabled());
}

TEST(Integration, LoginOffHidesASystemEntry)
{
    const QString system = TestSupport::makeFolder(QStringLiteral("etc-xdg"));
    qputenv("XDG_CONFIG_DIRS", system.toUtf8());
    TestSupport::writeFile(system + QStringLiteral("/autostart/marovel.desktop"),
                           "[Desktop Entry]\nType=Application\nExec=marovel\n");
    EXPECT_TRUE(Integration::isLoginEnabled());
    Integration::setLogin(false, QStringLiteral("/usr/bin/marovel"));
    const QString user = configHome() + QStringLiteral("/autostart/marovel.desktop");
    EXPECT_TRUE(TestSupport::readFile(user).contains("\nHidden=true\n"));
    EXPECT_FALSE(Integration::isLoginEnabled());
    Integration::setLogin(true, QStringLiteral("/usr/bin/marovel"));
    EXPECT_TRUE(Integration::isLoginEnabled());
}

TEST(Integration, LoginThrowsWhenTheAutostartFolderIsAFile)
{
    TestSupport::writeFile(configHome() + QStringLiteral("/autostart"), "a file");
    EXPECT_THROW(Integration::setLogin(true, QStringLiteral("/usr/bin/marovel")), Integration::Error);
    EXPECT_FALSE(Integration::isLoginEnabled());
}

} // namespace
