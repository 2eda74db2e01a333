#include "OnboardingRender.h"

#include "FirstWinBanner.h"
#include "Localization.h"
#include "Onboarding.h"
#include "OnboardingSheetBody.h"
#include "kit/NamingTierHeader.h"
#include "kit/Style.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QLayout>
#include <QPixmap>
#include <QSaveFile>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

constexpr qreal scale = 2;

struct Shot
{
    QString fileName;
    int width; // in device-independent pixels
    std::function<QWidget *()> make;
};

QWidget *sheet(OnboardingStep step, const OnboardingBrain &brain)
{
    auto *body = new OnboardingSheetBody;
    body->setState({step, true, brain, false});
    return body;
}

// The full and the compact naming-tier header as basic naming shows them.
QWidget *tierHeaders()
{
    auto *frame = new QWidget;
    auto *column = new QVBoxLayout(frame);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);
    column->addWidget(new Kit::NamingTierHeader(false, L("AI 读了内容，建议这样命名"), false, false, frame));
    column->addWidget(Kit::divider(Qt::Horizontal, frame));
    column->addWidget(new Kit::NamingTierHeader(false, L("建议命名"), true, false, frame));
    return frame;
}

QWidget *banner()
{
    auto *frame = new QWidget;
    auto *row = new QHBoxLayout(frame);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new FirstWinBanner({}, {}, frame));
    return frame;
}

// Every state in file-name order. There is no "01-step1-未授权.png": files are readable
// without a separate grant on Linux, so the sheet has no not-granted state to draw.
QList<Shot> shots()
{
    const OnboardingBrain downloading = OnboardingBrain::downloading(0.43, QStringLiteral("ModelScope"), 900);
    const OnboardingBrain failed = OnboardingBrain::failed(L("网络连接中断"));
    const OnboardingBrain ready = OnboardingBrain::ready();
    const OnboardingBrain needsSetup = OnboardingBrain::needsSetup();
    return {
        {QStringLiteral("02-step1-已授权.png"), 520, [=] { return sheet(OnboardingStep::permission, needsSetup); }},
        {QStringLiteral("03-step2-下载中.png"), 520, [=] { return sheet(OnboardingStep::brain, downloading); }},
        {QStringLiteral("04-step2-失败.png"), 520, [=] { return sheet(OnboardingStep::brain, failed); }},
        {QStringLiteral("05-step2-已就绪.png"), 520, [=] { return sheet(OnboardingStep::brain, ready); }},
        {QStringLiteral("06-step3.png"), 520, [=] { return sheet(OnboardingStep::firstWin, ready); }},
        {QStringLiteral("07-基础命名标题.png"), 520, tierHeaders},
        {QStringLiteral("08-首胜横幅.png"), 620, banner},
    };
}

int heightAt(const QWidget *widget, int width)
{
    const int height = widget->hasHeightForWidth() ? widget->heightForWidth(width) : widget->sizeHint().height();
    return std::max(height, widget->minimumSizeHint().height());
}

// The widget laid out at `width` and its own height, drawn with its window background at
// `scale` device pixels per pixel.
QImage draw(QWidget *widget, int width)
{
    // Shown (never on screen) so it is polished and laid out exactly as in a window.
    widget->setAttribute(Qt::WA_DontShowOnScreen);
    widget->resize(width, heightAt(widget, width));
    widget->show();
    QCoreApplication::processEvents();
    if (widget->layout())
        widget->layout()->activate();
    widget->resize(width, heightAt(widget, width));

    QPixmap pixmap(widget->size() * scale);
    if (pixmap.isNull())
        return {};
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    widget->render(&pixmap);
    return pixmap.toImage();
}

// Writes the PNG in one piece; the reason it could not, or nothing.
QString writePng(const QImage &image, const QString &path)
{
    if (image.isNull())
        return QStringLiteral("nothing was drawn");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        file.cancelWriting();
        return writer.errorString();
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace

void OnboardingRenderer::runIfRequested()
{
    const std::optional<QString> dir = outputDir();
    if (!dir)
        return;
    // A folder that cannot be made shows as every picture failing to be written.
    QDir().mkpath(*dir);

    int missing = 0;
    for (const Shot &shot : shots()) {
        const QString path = QDir(*dir).filePath(shot.fileName);
        const std::unique_ptr<QWidget> widget(shot.make());
        const QString problem = writePng(draw(widget.get(), shot.width), path);
        if (!problem.isEmpty()) {
            std::fprintf(stderr, "marovel: %s not written: %s\n", qPrintable(path), qPrintable(problem));
            ++missing;
        }
    }
    std::fflush(nullptr);
    // Nothing else of the launch has run, so there is nothing to save or stop.
    ::_exit(missing == 0 ? 0 : 1);
}
