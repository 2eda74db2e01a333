// The Explore and About pages: product names as written, texts in the interface language,
// the version line, and every link reaching the opener with the configured address.
#include "Localization.h"
#include "SettingsTestSupport.h"
#include "settings/AboutSettings.h"
#include "settings/ExploreSettings.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace SettingsTest;

namespace {

class ExploreAbout : public testing::Test
{
protected:
    void TearDown() override
    {
        Loc::shared().setOverride(std::nullopt);
        QCoreApplication::setApplicationVersion(QString());
    }
};

TEST_F(ExploreAbout, ProductNamesStayAsWrittenWhileTheirDescriptionsFollowTheLanguage)
{
    for (const char *language : {"zh-Hans", "en"}) {
        Loc::shared().setOverride(QString::fromLatin1(language));
        ExploreSettings page(SettingsServices::makerUrl(), {});
        page.resize(660, 520);
        page.show();
        QStringList names, descriptions;
        for (QWidget *row : shown(&page, "productRow")) {
            names << child<QLabel>(row, "productName")->text();
            descriptions << child<QLabel>(row, "productDescription")->text();
        }
        EXPECT_EQ(names, (QStringList{"Norvik", "Merrowick", "Tallowen"})) << language;
        EXPECT_EQ(descriptions, (QStringList{L("截图即归档，自动读懂内容、命名收纳"), L("截图识别日程，一键加进日历"),
                                              L("截图驱动笔记，AI 整理成结构化记录")}))
            << language;
    }
    EXPECT_EQ(L("截图识别日程，一键加进日历"), "Spots events in screenshots and adds them to your calendar in one click");
}

TEST_F(ExploreAbout, EveryRowAndTheAboutLinkOpenTheConfiguredAddresses)
{
    Services services;
    SettingsServices s = services.services();
    ExploreSettings explore(SettingsServices::makerUrl(), s.openUrl);
    explore.resize(660, 520);
    explore.show();
    const QList<LinkRow *> rows = explore.findChildren<LinkRow *>();
    ASSERT_EQ(rows.size(), 4);
    for (LinkRow *row : rows) {
        EXPECT_FALSE(qobject_cast<QPushButton *>(row)); // a row of the form, not a push button
        QTest::mouseClick(row, Qt::LeftButton, {}, row->rect().center());
    }
    rows.first()->setFocus();
    QTest::keyClick(rows.first(), Qt::Key_Space); // and from the keyboard
    EXPECT_EQ(services.opened, QList<QUrl>(5, SettingsServices::makerUrl()));

    services.opened.clear();
    AboutSettings about(SettingsServices::productUrl(), s.openUrl);
    about.show();
    auto *link = child<QToolButton>(&about, "productLink");
    EXPECT_EQ(link->text(), SettingsServices::productUrl().host());
    click(link);
    EXPECT_EQ(services.opened, QList<QUrl>{SettingsServices::productUrl()});

    // The addresses are build settings under the reserved example domain by default.
    EXPECT_EQ(SettingsServices::makerUrl().scheme(), "https");
    EXPECT_TRUE(SettingsServices::makerUrl().host().endsWith(".example"));
    EXPECT_TRUE(SettingsServices::productUrl().host().endsWith(".example"));
}

TEST_F(ExploreAbout, TheVersionLineFallsBackWhenTheApplicationHasNone)
{
    QCoreApplication::setApplicationVersion(QString());
    EXPECT_EQ(AboutSettings::versionLine(), "v0.1");
    QCoreApplication::setApplicationVersion("2.3.4");
    EXPECT_EQ(AboutSettings::versionLine(), "v2.3.4");
    AboutSettings about(SettingsServices::productUrl(), {});
    EXPECT_EQ(child<QLabel>(&about, "appVersion")->text(), "v2.3.4");
    EXPECT_EQ(child<QLabel>(&about, "appName")->text(), "Marovel");
    EXPECT_TRUE(child<QLabel>(&about, "slogan")->text().contains("Marovel"));
}

} // namespace
