// The model status chip and the download banner: their forms for each engine status, in
// both languages, and their clicks against the real download on a loopback server.
#include "LoopbackHttp.h"
#include "ModelDownload.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "kit/Widgets.h"
#include "window/ModelDownloadBanner.h"
#include "window/ModelStatusView.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

using Status = LocalBrain::Status;
using Kind = Status::Kind;

Status preparing(double progress) { return {Kind::preparing, progress, false, {}}; }
Status verifying() { return {Kind::preparing, 0, true, {}}; }
Status failed(const QString &message) { return {Kind::failed, 0, false, message}; }
Status ready() { return {Kind::ready, 0, false, {}}; }
Status notReady() { return {Kind::notReady, 0, false, {}}; }

// What the chip shows: its text, or the preparing text, and the dot's colour.
struct ChipLook
{
    QString text;
    QString tooltip;
    std::optional<Kit::Tint> dot; // none: the spinner form
};

ChipLook lookOf(ModelStatusView &view)
{
    auto *chip = view.findChild<Kit::Chip *>(QStringLiteral("modelStatusChip"));
    auto *preparing = view.findChild<QWidget *>(QStringLiteral("modelStatusPreparing"));
    auto *text = view.findChild<QLabel *>(QStringLiteral("modelStatusPreparingText"));
    EXPECT_NE(chip->isVisibleTo(&view), preparing->isVisibleTo(&view)) << "exactly one form";
    if (preparing->isVisibleTo(&view))
        return {text->text(), {}, std::nullopt};
    return {chip->text(), chip->toolTip(), chip->dot()};
}

TEST(ModelStatusView, ShowsOneOfFourFormsInBothLanguages)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    struct Case {
        Status status;
        const char *zh;
        const char *en;
        std::optional<Kit::Tint> dot;
        const char *tooltipZh;
    };
    const Case cases[] = {
        {ready(), "本地大脑就绪", "Local brain ready", Kit::Tint::green, "读文件内容、本地起名，绝不上传（点击重检 Ollama）"},
        {preparing(0.999), "准备中 99%", "Preparing 99%", std::nullopt, ""},
        {preparing(0.425), "准备中 42%", "Preparing 42%", std::nullopt, ""},
        {preparing(std::numeric_limits<double>::infinity()), "准备中 0%", "Preparing 0%", std::nullopt, ""},
        {verifying(), "准备中…", "Preparing…", std::nullopt, ""},
        {failed(QStringLiteral("磁盘满")), "准备失败，重试", "Failed, retry", Kit::Tint::red, "本地大脑准备失败，点击重试"},
        {notReady(), "准备本地大脑", "Set up local brain", Kit::Tint::orange, "点击下载并准备本地大脑，AI 命名绝不上传文件内容"},
    };
    ModelStatusView view;
    view.show();
    for (const char *lang : {"zh-Hans", "en"}) {
        language.set(QString::fromLatin1(lang));
        const bool zh = QString::fromLatin1(lang) == "zh-Hans";
        for (const Case &c : cases) {
            view.apply(c.status);
            const ChipLook look = lookOf(view);
            EXPECT_EQ(look.text, QString::fromUtf8(zh ? c.zh : c.en));
            EXPECT_EQ(look.dot, c.dot) << c.zh;
            if (zh)
                EXPECT_EQ(look.tooltip, QString::fromUtf8(c.tooltipZh));
            else
                EXPECT_TRUE(look.tooltip.isEmpty() == !c.dot) << c.zh;
        }
    }
}

TEST(ModelStatusView, TheGreenChipAsksForAnOllamaProbeAndStartsNoDownload)
{
    Loopback::Server mirror;
    ModelDownload::setDefaultFile(ModelDownload::ModelFile{
        {mirror.url(QStringLiteral("/model.gguf"))}, QString(64, u'0'),
        TestSupport::root() + QStringLiteral("/m.gguf"), 0, QStringLiteral("1 KB")});
    ModelStatusView view;
    view.show();
    view.apply(ready());
    QSignalSpy recheck(&view, &ModelStatusView::recheckRequested);
    QTest::mouseClick(view.findChild<Kit::Chip *>(QStringLiteral("modelStatusChip")), Qt::LeftButton);
    EXPECT_EQ(recheck.count(), 1);
    QTest::qWait(50);
    EXPECT_EQ(mirror.hits(), 0);
    EXPECT_EQ(ModelDownload::shared().state(), ModelDownload::State::idle());
    ModelDownload::setDefaultFile(std::nullopt);
}

TEST(ModelDownloadBanner, PreparingAndFailedFormsAndNothingOtherwise)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    QWidget window;
    auto *banner = new ModelDownloadBanner(&window);
    window.resize(1000, 200);
    window.show();
    auto *text = banner->findChild<Kit::ElidingLabel *>(QStringLiteral("modelBannerPreparingText"));
    auto *bar = banner->findChild<QProgressBar *>(QStringLiteral("modelBannerProgress"));
    auto *failedText = banner->findChild<Kit::ElidingLabel *>(QStringLiteral("modelBannerFailedText"));
    auto *retry = banner->findChild<QPushButton *>(QStringLiteral("modelBannerRetry"));

    banner->apply(preparing(0.425));
    EXPECT_TRUE(banner->isVisibleTo(&window));
    EXPECT_EQ(text->text(), "正在准备本地大脑… 42%（约 2GB，仅一次）");
    EXPECT_TRUE(bar->isVisibleTo(&window));
    EXPECT_EQ(bar->value(), 425);
    EXPECT_FALSE(retry->isVisibleTo(&window));

    banner->apply(verifying());
    EXPECT_EQ(text->text(), "正在准备本地大脑…");
    EXPECT_FALSE(bar->isVisibleTo(&window)) << "no bar while the file is verified";

    banner->apply(failed(QStringLiteral("<b>x</b> & y")));
    EXPECT_TRUE(retry->isVisibleTo(&window));
    EXPECT_FALSE(text->isVisibleTo(&window));
    EXPECT_EQ(failedText->text(), "本地大脑准备失败：<b>x</b> & y");
    EXPECT_EQ(retry->text(), "重试");

    language.set(QStringLiteral("en"));
    banner->apply(banner->shown());
    EXPECT_EQ(failedText->text(), "The local brain could not be prepared: <b>x</b> & y");
    EXPECT_EQ(retry->text(), "Retry");

    for (const Status &hidden : {ready(), notReady()}) {
        banner->apply(hidden);
        EXPECT_FALSE(banner->isVisibleTo(&window));
    }
}

// With the real shared download on a loopback mirror that answers 404: the attempt
// fails, both views show the failure, and each of their retry clicks is a new attempt
// that reaches the mirror.
TEST(ModelStatusView, AFailedChipAndTheBannerRetryStartNewAttempts)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    Loopback::Server mirror([](const Loopback::Request &) {
        return Loopback::Reply::json("<html>Not Found</html>", 404);
    });
    ModelDownload::setDefaultFile(ModelDownload::ModelFile{
        {mirror.url(QStringLiteral("/model.gguf"))}, QString(64, u'0'),
        TestSupport::root() + QStringLiteral("/models/m.gguf"), 0, QStringLiteral("1 KB")});

    QWidget window;
    auto *chip = new ModelStatusView(&window);
    auto *banner = new ModelDownloadBanner(&window);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(chip);
    layout->addWidget(banner);
    window.show();
    EXPECT_EQ(chip->shown().kind, Kind::notReady);
    EXPECT_FALSE(banner->isVisibleTo(&window));

    auto *button = chip->findChild<Kit::Chip *>(QStringLiteral("modelStatusChip"));
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(Loopback::waitFor([&] { return chip->shown().kind == Kind::failed; }));
    EXPECT_EQ(mirror.hits(), 1);
    EXPECT_EQ(button->text(), "准备失败，重试");
    ASSERT_TRUE(Loopback::waitFor([&] { return banner->isVisibleTo(&window); }));

    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(mirror.waitForHits(2));
    ASSERT_TRUE(Loopback::waitFor([&] { return chip->shown().kind == Kind::failed; }));

    QTest::mouseClick(banner->findChild<QPushButton *>(QStringLiteral("modelBannerRetry")), Qt::LeftButton);
    ASSERT_TRUE(mirror.waitForHits(3));
    ASSERT_TRUE(Loopback::waitFor([&] { return ModelDownload::shared().state().kind == ModelDownload::State::Kind::failed; }));

    // A language switch re-translates the chip in place.
    language.set(QStringLiteral("en"));
    ASSERT_TRUE(Loopback::waitFor([&] { return button->text() == "Failed, retry"; }));

    ModelDownload::setDefaultFile(std::nullopt);
}

TEST(ModelStatusView, TheOllamaFlagMakesItReady)
{
    ModelStatusView view;
    view.show();
    EXPECT_EQ(view.shown().kind, Kind::notReady);
    view.setOllamaUp(true);
    ASSERT_TRUE(Loopback::waitFor([&] { return view.shown().kind == Kind::ready; }));
    view.setOllamaUp(false);
    ASSERT_TRUE(Loopback::waitFor([&] { return view.shown().kind == Kind::notReady; }));
}

} // namespace

namespace {

// Views that close while the download is still running hear nothing more from it.
TEST(ModelStatusView, ClosingWhileTheDownloadRunsIsSafe)
{
    Loopback::Server mirror([](const Loopback::Request &) {
        Loopback::Reply reply;
        reply.body = QByteArray(1 << 20, 'x');
        reply.contentType = "application/octet-stream";
        reply.mode = Loopback::Reply::Mode::stall;
        return reply;
    });
    ModelDownload::setDefaultFile(ModelDownload::ModelFile{
        {mirror.url(QStringLiteral("/model.gguf"))}, QString(64, u'0'),
        TestSupport::root() + QStringLiteral("/models/m.gguf"), 0, QStringLiteral("1 KB")});
    auto *window = new QWidget;
    auto *chip = new ModelStatusView(window);
    new ModelDownloadBanner(window);
    window->show();
    QTest::mouseClick(chip->findChild<Kit::Chip *>(QStringLiteral("modelStatusChip")), Qt::LeftButton);
    ASSERT_TRUE(mirror.waitForHits(1));
    delete window;
    // Progress and the end of the attempt arrive after the views are gone.
    QTest::qWait(50);
    ModelDownload::shared().cancel();
    QTest::qWait(50);
    EXPECT_EQ(ModelDownload::shared().state(), ModelDownload::State::idle());
    ModelDownload::setDefaultFile(std::nullopt);
}

} // namespace
