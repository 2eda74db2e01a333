// The settings page "系统集成" and the install banner, on the real files of the test's
// own XDG folders.
#include "Defaults.h"
#include "Integration.h"
#include "IntegrationTestSupport.h"
#include "MimeAppsList.h"
#include "settings/IntegrationSettings.h"
#include "window/InstallBanner.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace IntegrationTest;

namespace {

template <typename T>
T *child(QWidget &widget, const char *name)
{
    T *found = widget.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

bool wanted()
{
    return Defaults::shared().boolValue(QLatin1String(Integration::wantedKey), false);
}

QString handlerLine()
{
    return MimeAppsList::readValue(mimeApps(), QStringLiteral("Default Applications"), QStringLiteral("inode/directory"))
        .value_or(QString());
}

TEST(IntegrationPage, NotInstalledShowsTheInstallStepsAndDisablesTheToggles)
{
    IntegrationSettings page;
    page.show();
    EXPECT_TRUE(child<QWidget>(page, "integrationInstallSection")->isVisible());
    EXPECT_FALSE(child<QCheckBox>(page, "integrationFileViewer")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(page, "integrationLogin")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(page, "integrationGiveBack")->isEnabled());

    // The data folder's place is a file: the red hint, and nothing else changes.
    QDir(dataHome()).removeRecursively();
    TestSupport::writeFile(dataHome(), "a file");
    child<QPushButton>(page, "integrationInstallButton")->click();
    EXPECT_TRUE(child<QLabel>(page, "integrationInstallFailed")->isVisible());
    EXPECT_TRUE(child<QWidget>(page, "integrationInstallSection")->isVisible());

    QFile::remove(dataHome());
    child<QPushButton>(page, "integrationInstallButton")->click();
    EXPECT_TRUE(Integration::isInstalled());
    EXPECT_FALSE(child<QWidget>(page, "integrationInstallSection")->isVisible());
    EXPECT_TRUE(child<QCheckBox>(page, "integrationFileViewer")->isEnabled());
    EXPECT_TRUE(child<QCheckBox>(page, "integrationLogin")->isEnabled());
}

TEST(IntegrationPage, TogglesChangeTheFilesAndGiveBackRestores)
{
    writeOtherHandler(QStringLiteral("other-fm.desktop"));
    TestSupport::writeFile(mimeApps(), "[Default Applications]\ninode/directory=other-fm.desktop\n");
    ASSERT_TRUE(Integration::installDesktopEntry());
    ASSERT_TRUE(gioKnowsMarovel());
    ASSERT_TRUE(eventually([] { return !Integration::isDefaultFileViewer(); }));

    IntegrationSettings page;
    page.show();
    auto *viewer = child<QCheckBox>(page, "integrationFileViewer");
    auto *login = child<QCheckBox>(page, "integrationLogin");
    EXPECT_FALSE(viewer->isChecked());
    EXPECT_FALSE(wanted()); // showing wrote nothing

    viewer->click();
    EXPECT_TRUE(wanted());
    EXPECT_EQ(handlerLine(), QStringLiteral("marovel.desktop"));

    login->click();
    EXPECT_TRUE(QFileInfo::exists(configHome() + QStringLiteral("/autostart/marovel.desktop")));
    EXPECT_TRUE(login->isChecked());
    login->click();
    EXPECT_FALSE(QFileInfo::exists(configHome() + QStringLiteral("/autostart/marovel.desktop")));
    EXPECT_FALSE(login->isChecked());

    child<QPushButton>(page, "integrationGiveBack")->click();
    EXPECT_FALSE(wanted());
    EXPECT_FALSE(viewer->isChecked());
    EXPECT_EQ(handlerLine(), QStringLiteral("other-fm.desktop"));
}

TEST(IntegrationPage, ShowingWhileWantedTakesTheRoleBack)
{
    writeOtherHandler(QStringLiteral("other-fm.desktop"));
    TestSupport::writeFile(mimeApps(), "[Default Applications]\ninode/directory=other-fm.desktop\n");
    ASSERT_TRUE(Integration::installDesktopEntry());
    Defaults::shared().setValue(QLatin1String(Integration::wantedKey), true);
    ASSERT_TRUE(gioKnowsMarovel());
    ASSERT_TRUE(eventually([] { return !Integration::isDefaultFileViewer(); }));

    IntegrationSettings page;
    EXPECT_FALSE(child<QCheckBox>(page, "integrationFileViewer")->isChecked());
    page.show();
    EXPECT_TRUE(child<QCheckBox>(page, "integrationFileViewer")->isChecked());
    EXPECT_TRUE(eventually([] { return handlerLine() == QStringLiteral("marovel.desktop"); }));
}

TEST(IntegrationPage, ALoginThatFailsEndsOff)
{
    ASSERT_TRUE(Integration::installDesktopEntry());
    TestSupport::writeFile(configHome() + QStringLiteral("/autostart"), "a file");
    IntegrationSettings page;
    page.show();
    auto *login = child<QCheckBox>(page, "integrationLogin");
    login->click();
    EXPECT_FALSE(login->isChecked());
}

TEST(InstallBanner, ShownUntilInstalledWithARedHintWhenItFails)
{
    InstallBanner banner;
    banner.show();
    EXPECT_TRUE(banner.isVisible());
    const QString normal = child<QLabel>(banner, "installBannerNote")->text();

    QDir(dataHome()).removeRecursively();
    TestSupport::writeFile(dataHome(), "a file");
    child<QPushButton>(banner, "installBannerButton")->click();
    EXPECT_TRUE(banner.isVisible());
    EXPECT_TRUE(banner.installFailed());
    EXPECT_NE(child<QLabel>(banner, "installBannerNote")->text(), normal);

    QFile::remove(dataHome());
    child<QPushButton>(banner, "installBannerButton")->click();
    EXPECT_FALSE(banner.isVisible());
    EXPECT_TRUE(Integration::isInstalled());
}

} // namespace
