// States of the main window's parts that stand on their own: the model download banner.
#include "Shots.h"
#include "window/ModelDownloadBanner.h"

#include <QVBoxLayout>

namespace Shots {

namespace {

using Kind = LocalBrain::Status::Kind;

// The banner across the width of a window, as it stands above the bars.
Shot banner(const QString &state, const LocalBrain::Status &status)
{
    return {QStringLiteral("window"), state,
            [status](const Context &) {
                auto *strip = new QWidget;
                strip->setAutoFillBackground(true);
                auto *layout = new QVBoxLayout(strip);
                layout->setContentsMargins(0, 0, 0, 0);
                auto *view = new ModelDownloadBanner(strip);
                view->apply(status);
                layout->addWidget(view);
                return strip;
            },
            {}, {1280, 0}};
}

} // namespace

QList<Shot> windowShots()
{
    return {
        banner(QStringLiteral("banner-42"), {Kind::preparing, 0.425, false, {}}),
        banner(QStringLiteral("banner-verifying"), {Kind::preparing, 0, true, {}}),
        banner(QStringLiteral("banner-failed"),
               {Kind::failed, 0, false, QStringLiteral("Host 127.0.0.1 refused the connection")}),
    };
}

} // namespace Shots
