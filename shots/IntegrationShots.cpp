// The install banner, the settings page "系统集成" and the update dialog's states.
#include "Shots.h"
#include "UpdateDialog.h"
#include "Updater.h"
#include "settings/IntegrationSettings.h"
#include "window/InstallBanner.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace Shots {

namespace {

QWidget *hosted(QWidget *content, int width)
{
    auto *host = new QWidget;
    host->setFixedWidth(width);
    auto *layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    layout->addStretch(1);
    return host;
}

Shot banner(const QString &state, bool failing)
{
    return {QStringLiteral("integration"), state,
            [failing](const Context &) -> QWidget * {
                auto *banner = new InstallBanner({[] { return false; }, [] { return false; }});
                QWidget *host = hosted(banner, 900);
                if (failing)
                    banner->findChild<QPushButton *>(QStringLiteral("installBannerButton"))->click();
                return host;
            },
            {}, {900, 0}};
}

Shot page(const QString &state, bool installed, bool installFails)
{
    return {QStringLiteral("integration"), state,
            [installed, installFails](const Context &) -> QWidget * {
                IntegrationSettings::Services services{
                    [installed] { return installed; }, [] { return false; }, [installed] { return installed; },
                    [](bool) {}, [installed] { return installed; }, [](bool) {},
                };
                auto *settings = new IntegrationSettings(services);
                if (installFails)
                    settings->findChild<QPushButton *>(QStringLiteral("integrationInstallButton"))->click();
                return settings; // a scrolling page, as in the settings window
            },
            {}, {660, 560}};
}

// The feed as a data: address: the real check, without a network.
QUrl feedOf(const QByteArray &version, const QByteArray &notes)
{
    const QByteArray rss = "<rss version=\"2.0\" xmlns:u=\"urn:updates\"><channel><item><title>Marovel " + version
                           + "</title><u:shortVersionString>" + version + "</u:shortVersionString><description>" + notes
                           + "</description><link>https://marovel.example/download</link></item></channel></rss>";
    return QUrl(QStringLiteral("data:application/rss+xml;base64,") + QString::fromLatin1(rss.toBase64()));
}

// The dialog owns its updater; `check` starts the check (otherwise it shows "checking").
Shot updates(const QString &state, const QUrl &feed, bool check)
{
    return {QStringLiteral("updates"), state,
            [feed, check](const Context &) -> QWidget * {
                auto *updater = new Updater(feed, QStringLiteral("0.6.0"));
                auto *dialog = new UpdateDialog(*updater, [](const QUrl &) {});
                updater->setParent(dialog);
                if (check)
                    updater->check();
                return dialog;
            },
            [](QWidget *widget) {
                const auto *updater = widget->findChild<Updater *>();
                return updater && updater->state() != Updater::State::checking;
            },
            {480, 0}};
}

} // namespace

QList<Shot> integrationShots()
{
    return {
        banner(QStringLiteral("banner"), false),
        banner(QStringLiteral("banner-failed"), true),
        page(QStringLiteral("page-not-installed"), false, false),
        page(QStringLiteral("page-install-failed"), false, true),
        page(QStringLiteral("page-installed-default"), true, false),
        updates(QStringLiteral("checking"), QUrl(QStringLiteral("https://marovel.example/feed.xml")), false),
        updates(QStringLiteral("no-feed"), QUrl(), true),
        updates(QStringLiteral("newer"), feedOf("0.7.0", "Faster listing of large folders.\nThe install banner explains what it writes."), true),
        updates(QStringLiteral("up-to-date"), feedOf("0.6.0", "-"), true),
        updates(QStringLiteral("failed"), QUrl(QStringLiteral("data:application/rss+xml,not%20a%20feed")), true),
    };
}

} // namespace Shots
