// The model setup card: hidden while an engine is ready whatever the download does; the
// percentage, the bar and the forms by status; its buttons against a real download on a
// loopback server.
#include "ActionTestSupport.h"
#include "LocalLLM.h"
#include "ModelDownload.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "action/ActionButton.h"
#include "action/ModelSetupCard.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

using namespace ActionTest;

namespace {

using Status = LocalBrain::Status;
using Kind = Status::Kind;

// A card over its own download of a model file served by `mirror`.
struct CardFixture
{
    explicit CardFixture(Loopback::Server &mirror)
    {
        ModelDownload::setDefaultFile(ModelDownload::ModelFile{
            {mirror.url("/model.gguf")}, QString(64, u'0'), TestSupport::root() + "/m.gguf", 0, "1 KB"});
        card = new ModelSetupCard(state, download, &window);
        window.resize(340, 400);
        window.show();
    }
    ~CardFixture()
    {
        download.cancel();
        ModelDownload::setDefaultFile(std::nullopt);
    }

    template <typename T>
    T *part(const char *name) const
    {
        return card->findChild<T *>(QString::fromLatin1(name));
    }
    // The form shown: "ready" (no card), "notReady", "preparing" or "failed".
    QString form() const
    {
        if (!card->isVisibleTo(&window))
            return "ready";
        QStringList shown;
        const std::pair<const char *, const char *> forms[] = {
            {"setupNotReady", "notReady"}, {"setupPreparing", "preparing"}, {"setupFailed", "failed"}};
        for (const auto &[name, form] : forms) {
            if (part<QWidget>(name)->isVisibleTo(&window))
                shown << QString::fromLatin1(form);
        }
        return shown.join('+');
    }

    BrowserState state;
    ModelDownload download;
    QWidget window;
    ModelSetupCard *card = nullptr;
};

Loopback::Reply stalled()
{
    Loopback::Reply reply;
    reply.body = QByteArray(4096, 'x');
    reply.contentType = "application/octet-stream";
    reply.mode = Loopback::Reply::Mode::stall;
    return reply;
}

} // namespace

TEST(ModelSetupCard, ShowsNothingWhileAnEngineIsReadyWhateverTheDownloadDoes)
{
    Loopback::Server mirror([](const Loopback::Request &) { return stalled(); });
    CardFixture f(mirror);
    EXPECT_EQ(f.form(), "notReady");
    f.download.start();
    ASSERT_TRUE(waitFor([&] { return f.form() == "preparing"; }));

    f.state.setOllamaUp(true);
    ASSERT_TRUE(waitFor([&] { return f.form() == "ready"; }));
    f.state.setOllamaUp(false);
    ASSERT_TRUE(waitFor([&] { return f.form() == "preparing"; }));

    // A model file on disk counts as ready too.
    TestSupport::writeFile(LocalLLM::downloaded3B(), "GGUF");
    f.card->refresh();
    EXPECT_EQ(f.form(), "ready");
    QFile::remove(LocalLLM::downloaded3B());
    f.card->refresh();
    EXPECT_EQ(f.form(), "preparing");
}

TEST(ModelSetupCard, ShowsTheTruncatedPercentageAndAClampedBar)
{
    ScopedLanguage language("zh-Hans");
    Loopback::Server mirror;
    CardFixture f(mirror);
    auto *title = f.part<QLabel>("setupPreparingTitle");
    auto *bar = f.part<QProgressBar>("setupProgress");
    struct Case
    {
        Status status;
        const char *title;
        int bar;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {{Kind::preparing, 0.426, false, {}}, "正在准备本地大脑 42%…", 426},
        {{Kind::preparing, 0.999, false, {}}, "正在准备本地大脑 99%…", 999},
        {{Kind::preparing, 0.5, true, {}}, "正在准备本地大脑 0%…", 0}, // verifying
        {{Kind::preparing, nan, false, {}}, "正在准备本地大脑 0%…", 0},
        {{Kind::preparing, std::numeric_limits<double>::infinity(), false, {}}, "正在准备本地大脑 0%…", 0},
        {{Kind::preparing, 1.7, false, {}}, "正在准备本地大脑 100%…", 1000},
        {{Kind::preparing, -0.2, false, {}}, "正在准备本地大脑 0%…", 0},
    };
    for (const Case &c : cases) {
        f.card->apply(c.status);
        EXPECT_EQ(f.form(), "preparing");
        EXPECT_EQ(title->text(), QString::fromUtf8(c.title)) << c.status.progress;
        EXPECT_EQ(bar->value(), c.bar) << c.status.progress;
        EXPECT_EQ(bar->maximum(), ModelSetupCard::progressSteps);
    }
    language.set("en");
    EXPECT_EQ(title->text(), "Setting up local brain 0%…");
}

TEST(ModelSetupCard, StartsAndCancelsTheDownload)
{
    Loopback::Server mirror([](const Loopback::Request &) { return stalled(); });
    CardFixture f(mirror);
    ASSERT_EQ(f.form(), "notReady");
    f.part<ActionButton>("setupStart")->click();
    ASSERT_TRUE(mirror.waitForHits(1));
    ASSERT_TRUE(waitFor([&] { return f.form() == "preparing"; }));
    f.part<QPushButton>("setupCancel")->click();
    ASSERT_TRUE(waitFor([&] { return f.form() == "notReady"; }));
    EXPECT_EQ(f.download.state(), ModelDownload::State::idle());
}

TEST(ModelSetupCard, ShowsTheDownloadsOwnMessageAndRetries)
{
    Loopback::Server mirror([](const Loopback::Request &) { return Loopback::Reply::json("gone", 404); });
    CardFixture f(mirror);
    f.download.start();
    ASSERT_TRUE(waitFor([&] { return f.form() == "failed"; }));
    const QString message = f.download.state().message;
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(f.part<QLabel>("setupFailedText")->text(), message);
    EXPECT_EQ(f.part<QLabel>("setupFailedText")->textFormat(), Qt::PlainText);
    const qsizetype before = mirror.hits();
    f.part<QPushButton>("setupRetry")->click();
    ASSERT_TRUE(mirror.waitForHits(before + 1));
    ASSERT_TRUE(waitFor([&] { return f.form() == "failed"; }));
}
