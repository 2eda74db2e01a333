// The AI page: the probe of a local Ollama server (a fake one on loopback), the model
// picker, the local model's rows over a download from a loopback mirror, and the model
// files of the temporary models folder.
#include "Defaults.h"
#include "FakeOllama.h"
#include "LocalLLM.h"
#include "Localization.h"
#include "ModelDownload.h"
#include "Namer.h"
#include "SettingsTestSupport.h"
#include "settings/AISettings.h"
#include "settings/OllamaProbe.h"
#include "settings/SettingsForm.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <QThreadPool>
#include <QToolButton>

#include <gtest/gtest.h>

#include <limits>

using namespace SettingsTest;
using State = ModelDownload::State;

namespace {

QString closedAddress()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

class AI : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        Defaults::shared().setValue(Namer::endpointKey, closedAddress());
        // Every start goes to this test's mirror, never to the real ones.
        setModelFile({mirror.url("/stall")});
    }
    void TearDown() override
    {
        ModelDownload::shared().cancel();
        Namer::pool().waitForDone(10000);
        Loc::shared().setOverride(std::nullopt);
    }

    void setModelFile(const QStringList &urls)
    {
        ModelDownload::ModelFile file;
        file.urls = urls;
        file.sha256 = QString(64, u'0');
        file.targetPath = TestSupport::root() + QStringLiteral("/downloads/model.gguf");
        file.label = QStringLiteral("1 KB");
        ModelDownload::setDefaultFile(file);
    }

    std::unique_ptr<AISettings> makePage()
    {
        auto page = std::make_unique<AISettings>();
        page->resize(660, 520);
        page->show();
        child<QToolButton>(page.get(), "advancedDisclosure")->click(); // open the advanced area
        return page;
    }

    static SettingsForm::StatusLabel *status(QWidget *page, const char *name)
    {
        return child<SettingsForm::StatusLabel>(page, name);
    }
    static bool visible(QWidget *page, const char *name) { return child(page, name)->isVisible(); }
    static QString progressText(QWidget *page, const char *row)
    {
        return child<QLabel>(child(page, row), "progressLabel")->text();
    }

    static void writeModel(const QString &name)
    {
        TestSupport::writeFile(LocalLLM::modelsFolder() + u'/' + name, "gguf");
    }

    // Half a model, then nothing: the download stays under way.
    Loopback::Server mirror{[](const Loopback::Request &request) {
        Loopback::Reply reply;
        reply.contentType = "application/octet-stream";
        reply.body = QByteArray(200000, 'x');
        if (request.path == "/stall")
            reply.mode = Loopback::Reply::Mode::stall;
        else
            reply = Loopback::Reply::json("<html>Not Found</html>", 404);
        return reply;
    }};
};

TEST_F(AI, ThePickerAlwaysHoldsTheStoredModel)
{
    const struct
    {
        const char *what;
        QStringList models;
        QStringList options;
    } cases[] = {
        {"no list", {}, {"qwen2.5:7b"}},
        {"listed among others", {"llama3:8b", "qwen2.5:7b"}, {"llama3:8b", "qwen2.5:7b"}},
        {"not listed", {"llama3:8b", "mistral"}, {"qwen2.5:7b", "llama3:8b", "mistral"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(OllamaProbe::modelOptions("qwen2.5:7b", c.models), c.options) << c.what;
}

TEST_F(AI, NothingListeningShowsNotFoundAfterTheFirstAnswerOnly)
{
    auto page = makePage();
    EXPECT_FALSE(visible(page.get(), "ollamaConnection")); // no answer yet
    EXPECT_FALSE(visible(page.get(), "modelRow"));
    EXPECT_EQ(child<QLineEdit>(page.get(), "ollamaEndpoint")->text(), Namer::baseText());
    ASSERT_TRUE(waitFor([&] { return visible(page.get(), "ollamaConnection"); }));
    EXPECT_EQ(status(page.get(), "ollamaConnection")->text(), "未检测到");
    EXPECT_FALSE(visible(page.get(), "modelRow"));
}

TEST_F(AI, AReachableServerListsItsModelsAndTheChoiceIsStored)
{
    FakeOllama ollama({"llama3:8b", "mistral"});
    Defaults::shared().setValue(Namer::endpointKey, ollama.base());
    auto page = makePage();
    auto *picker = child<QComboBox>(page.get(), "modelPicker");
    ASSERT_TRUE(waitFor([&] { return picker->count() == 3; }));
    EXPECT_EQ(status(page.get(), "ollamaConnection")->text(), "已连接");
    EXPECT_TRUE(visible(page.get(), "modelRow"));
    EXPECT_EQ(entries(picker), (QStringList{"qwen2.5:7b", "llama3:8b", "mistral"}));
    EXPECT_EQ(picker->currentText(), "qwen2.5:7b");
    choose(picker, 2);
    EXPECT_EQ(Defaults::shared().string(Namer::preferredModelKey), "mistral");

    // A server that lists nothing offers the stored model alone.
    ollama.setModels({});
    click(child<QPushButton>(page.get(), "probeOllama"));
    ASSERT_TRUE(waitFor([&] { return picker->count() == 1; }));
    EXPECT_EQ(entries(picker), QStringList{"mistral"});
}

TEST_F(AI, AServerThatNeverAnswersCountsAsNotFound)
{
    FakeOllama ollama({"llama3:8b"}, FakeOllama::Mode::stall);
    Defaults::shared().setValue(Namer::endpointKey, ollama.base());
    auto page = makePage();
    ASSERT_TRUE(waitFor([&] { return visible(page.get(), "ollamaConnection"); }, 8000));
    EXPECT_EQ(status(page.get(), "ollamaConnection")->text(), "未检测到");
    EXPECT_GE(ollama.tagRequests(), 1);
}

TEST_F(AI, TheNewestProbeWinsOverASlowerOlderOne)
{
    FakeOllama slow({}, FakeOllama::Mode::error); // answers "not up", but only when let go
    slow.hold();
    FakeOllama fast({"llama3:8b"});
    Defaults::shared().setValue(Namer::endpointKey, slow.base());
    auto page = makePage(); // the first probe asks the slow server
    ASSERT_TRUE(waitFor([&] { return slow.tagRequests() == 1; }));

    // The user types another address and checks it: a server is up there.
    auto *endpoint = child<QLineEdit>(page.get(), "ollamaEndpoint");
    endpoint->selectAll();
    QTest::keyClicks(endpoint, fast.base());
    EXPECT_EQ(Defaults::shared().string(Namer::endpointKey), fast.base());
    click(child<QPushButton>(page.get(), "probeOllama"));
    auto *picker = child<QComboBox>(page.get(), "modelPicker");
    ASSERT_TRUE(waitFor([&] { return picker->count() == 2; }));
    EXPECT_EQ(status(page.get(), "ollamaConnection")->text(), "已连接");

    // The old server answers last (or its time runs out): that answer is dropped.
    slow.release();
    ASSERT_TRUE(Namer::pool().waitForDone(10000));
    QTest::qWait(100);
    EXPECT_EQ(status(page.get(), "ollamaConnection")->text(), "已连接");
    EXPECT_TRUE(visible(page.get(), "modelRow"));
    EXPECT_EQ(page->probe().up(), std::optional<bool>(true));
    EXPECT_EQ(entries(picker), (QStringList{"qwen2.5:7b", "llama3:8b"}));
}

TEST_F(AI, ClosingThePageWhileAProbeRunsDropsTheAnswer)
{
    FakeOllama slow({"llama3:8b"});
    slow.hold();
    Defaults::shared().setValue(Namer::endpointKey, slow.base());
    {
        auto page = makePage();
        ASSERT_TRUE(waitFor([&] { return slow.tagRequests() == 1; }));
    }
    slow.release();
    ASSERT_TRUE(Namer::pool().waitForDone(10000));
    QTest::qWait(100); // nothing is delivered to the page that is gone
}

TEST_F(AI, TheLocalModelRowsFollowTheDownloadFromTheMirror)
{
    auto page = makePage();
    EXPECT_EQ(status(page.get(), "brainStatus")->text(), "本地大脑还没准备好");
    EXPECT_TRUE(visible(page.get(), "prepareBrain"));
    EXPECT_FALSE(visible(page.get(), "upgradeModel")); // no model file: nothing to upgrade

    click(child<QPushButton>(page.get(), "prepareBrain"));
    ASSERT_TRUE(waitFor([&] { return visible(page.get(), "brainPreparing"); }));
    EXPECT_FALSE(visible(page.get(), "brainStatus"));
    EXPECT_TRUE(progressText(page.get(), "brainPreparing").startsWith("正在准备本地大脑…"));
    ASSERT_TRUE(waitFor([&] { return progressText(page.get(), "modelProgress").startsWith("下载中 "); }));
    EXPECT_TRUE(visible(page.get(), "modelProgress"));

    click(child<QPushButton>(child(page.get(), "modelProgress"), "cancelDownload"));
    ASSERT_TRUE(waitFor([&] { return visible(page.get(), "prepareBrain"); }));
    EXPECT_EQ(ModelDownload::shared().state(), State::idle());
    EXPECT_FALSE(visible(page.get(), "modelProgress"));

    // Every mirror fails: the message is shown as it is, with a retry in both places.
    setModelFile({mirror.url("/missing")});
    click(child<QPushButton>(page.get(), "prepareBrain"));
    ASSERT_TRUE(waitFor([&] { return ModelDownload::shared().state().kind == State::Kind::failed; }));
    const QString message = ModelDownload::shared().state().message;
    EXPECT_FALSE(message.isEmpty());
    ASSERT_TRUE(waitFor([&] { return visible(page.get(), "retryBrain"); }));
    EXPECT_EQ(status(page.get(), "brainStatus")->text(), message);
    EXPECT_EQ(status(page.get(), "brainStatus")->symbol(), "xmark.circle.fill");
    EXPECT_EQ(status(page.get(), "modelFailed")->text(), message);
    EXPECT_TRUE(visible(page.get(), "retryModel"));

    // "重试" starts the same default download again.
    setModelFile({mirror.url("/stall")});
    click(child<QPushButton>(page.get(), "retryModel"));
    ASSERT_TRUE(waitFor([&] { return ModelDownload::shared().state().kind == State::Kind::downloading; }));
    ASSERT_TRUE(waitFor([&] { return visible(page.get(), "modelProgress"); }));
}

TEST_F(AI, PercentagesAreCutAndKeptWithinRange)
{
    auto page = makePage();
    const struct
    {
        double fraction;
        const char *brain;
        const char *model;
    } cases[] = {
        {0.375, "正在准备本地大脑…37%", "下载中 37%"},
        {0.999, "正在准备本地大脑…99%", "下载中 99%"},
        {1.0, "正在准备本地大脑…100%", "下载中 100%"},
        {1.7, "正在准备本地大脑…100%", "下载中 100%"},
        {-0.2, "正在准备本地大脑…0%", "下载中 0%"},
        {std::numeric_limits<double>::quiet_NaN(), "正在准备本地大脑…0%", "下载中 0%"},
    };
    for (const auto &c : cases) {
        AISettings::Facts facts;
        facts.download = State::downloading(c.fraction);
        facts.status = {LocalBrain::Status::Kind::preparing, c.fraction, false, {}};
        page->showFacts(facts);
        EXPECT_EQ(progressText(page.get(), "brainPreparing"), QString::fromUtf8(c.brain)) << c.fraction;
        EXPECT_EQ(progressText(page.get(), "modelProgress"), QString::fromUtf8(c.model)) << c.fraction;
        auto *bar = child<QProgressBar>(child(page.get(), "modelProgress"), "progressBar");
        EXPECT_GE(bar->value(), bar->minimum());
        EXPECT_LE(bar->value(), bar->maximum());
    }

    AISettings::Facts verifying;
    verifying.download = State::verifying();
    verifying.status = {LocalBrain::Status::Kind::preparing, 0, true, {}};
    page->showFacts(verifying);
    EXPECT_EQ(progressText(page.get(), "brainPreparing"), "正在准备本地大脑…");
    EXPECT_EQ(progressText(page.get(), "modelProgress"), "校验中…");
    EXPECT_FALSE(child(child(page.get(), "modelProgress"), "cancelDownload")->isVisible());
}

TEST_F(AI, ModelFilesDecideTheUpgradeOffers)
{
    auto page = makePage();
    writeModel(LocalLLM::fileQwen3); // a smaller local model: ready, and 3B is on offer
    page->refresh();
    EXPECT_EQ(status(page.get(), "brainStatus")->text(), "本地大脑已就绪");
    EXPECT_TRUE(visible(page.get(), "readyNote"));
    EXPECT_TRUE(visible(page.get(), "upgradeBrain"));
    EXPECT_TRUE(visible(page.get(), "upgradeModel"));
    EXPECT_FALSE(visible(page.get(), "model3B"));

    writeModel(LocalLLM::file3B);
    page->refresh();
    EXPECT_FALSE(visible(page.get(), "upgradeBrain"));
    EXPECT_FALSE(visible(page.get(), "upgradeModel"));
    EXPECT_TRUE(visible(page.get(), "model3B"));
    EXPECT_EQ(status(page.get(), "model3B")->text(), "本地大脑：Qwen2.5-3B（约 2GB，本机离线运行）");

    // With 3B present, a failed download changes nothing in the advanced row.
    AISettings::Facts facts = page->currentFacts();
    facts.download = State::failed("x");
    page->showFacts(facts);
    EXPECT_TRUE(visible(page.get(), "model3B"));
    EXPECT_FALSE(visible(page.get(), "modelFailed"));
}

TEST_F(AI, ReadyThroughOllamaWithoutAModelFileOffersNoUpgrade)
{
    FakeOllama ollama({"qwen2.5:7b"});
    Defaults::shared().setValue(Namer::endpointKey, ollama.base());
    auto page = makePage();
    ASSERT_TRUE(waitFor([&] { return status(page.get(), "brainStatus")->text() == "本地大脑已就绪"; }));
    EXPECT_FALSE(visible(page.get(), "upgradeBrain"));
    EXPECT_FALSE(visible(page.get(), "upgradeModel"));
    EXPECT_FALSE(visible(page.get(), "model3B"));
}

} // namespace
