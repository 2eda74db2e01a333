// The first-run demo on freshly written samples: real extraction and scenario detection
// in the browser model, once with a local Ollama server on the loopback interface and
// once with no engine at all.
#include "SamplesTestSupport.h"

#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "Defaults.h"
#include "DemoItem.h"
#include "Namer.h"
#include "NamingTemplate.h"
#include "PaneState.h"
#include "SampleGen.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace SamplesTest;
using BrowserTest::settle;
using BrowserTest::waitFor;

namespace {

// An Ollama server that answers the questions it knows with the words a model reading the
// sample would give, and the others with nothing.
class ReadingOllama
{
public:
    ReadingOllama()
        : m_server([](const Loopback::Request &request) {
              if (request.path.endsWith("/api/tags"))
                  return Loopback::Reply::json(R"({"models":[{"name":"qwen2.5:7b"}]})");
              const QString prompt = QJsonDocument::fromJson(request.body).object()["prompt"].toString();
              QString value;
              if (prompt.startsWith(u"这篇论文"))
                  value = QStringLiteral("Castavet_attention-is-all-you-need");
              else if (prompt.startsWith(u"这张发票的销售方") && prompt.contains(u"中国国航"))
                  value = QStringLiteral("中国国航");
              const QByteArray answer = QJsonDocument(QJsonObject{{"v", value}}).toJson(QJsonDocument::Compact);
              return Loopback::Reply::json(
                  QJsonDocument(QJsonObject{{"model", "qwen2.5:7b"}, {"response", QString::fromUtf8(answer)},
                                            {"done", true}})
                      .toJson());
          })
    {
        Defaults::shared().setValue(Namer::endpointKey, m_server.base());
        Namer::resetProbeCache();
    }
    ~ReadingOllama()
    {
        Defaults::shared().remove(Namer::endpointKey);
        Namer::resetProbeCache();
    }

    qsizetype questions() const { return m_server.hits("/api/generate"); }

private:
    Loopback::Server m_server;
};

// No engine: Ollama down, no system model, an in-process model that gives nothing.
class NoEngine
{
public:
    NoEngine() : m_scope(engines()) { Namer::recordProbe(false); }
    ~NoEngine() { Namer::resetProbeCache(); }

private:
    static Namer::Engines engines()
    {
        Namer::Engines e;
        e.systemModelAvailable = [] { return false; };
        e.localModel = [](const QString &, const QString &) { return std::optional<QString>(); };
        return e;
    }
    Namer::ScopedEngines m_scope;
};

// The demo as the sample button runs it: a new sample folder, filled, its files proposed.
QList<DemoItem> demoOnFreshSamples(BrowserState &browser, const QString &language)
{
    ScopedLanguage scoped(language);
    const ScopedFolder folder(SampleGen::makeDir());
    browser.activePane()->go(folder.path(), false);
    settle();
    QFuture<QList<DemoItem>> demo = browser.demoProposals(SampleGen::fill(folder.path()));
    EXPECT_TRUE(waitFor([&] { return demo.isFinished(); }, 120000));
    return demo.isFinished() ? demo.result() : QList<DemoItem>();
}

struct Expected
{
    QString oldName;
    QString word; // read from the file, found in the proposed name
};

void expectProposals(const QList<DemoItem> &rows, const QList<Expected> &expected)
{
    ASSERT_EQ(rows.size(), expected.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].newName.toStdString());
        EXPECT_EQ(rows[i].oldName, expected[i].oldName);
        EXPECT_TRUE(rows[i].newName.contains(expected[i].word)) << expected[i].word.toStdString();
        EXPECT_EQ(QFileInfo(rows[i].newName).suffix(), QFileInfo(rows[i].oldName).suffix());
        EXPECT_FALSE(rows[i].recognized.isEmpty());
        EXPECT_TRUE(rows[i].accept);
    }
}

class SampleDemo : public testing::Test
{
protected:
    void SetUp() override { Defaults::shared().remove(NamingTemplate::storageKey); }
};

} // namespace

// With the model up every sample gets a name made of its own words; the paper's comes from
// the model's answer (first author and title), the Chinese ticket's issuer too.
TEST_F(SampleDemo, WithOllamaEverySampleIsNamedFromItsContent)
{
    const ReadingOllama ollama;
    BrowserState english;
    expectProposals(demoOnFreshSamples(english, "en"), {{"Scan_001.pdf", "IKEA_US_LLC"},
                                                        {"download.pdf", "Castavet"},
                                                        {"untitled.txt", "3500"},
                                                        {"download (3).pdf", "United_Airlines"}});
    BrowserState chinese;
    expectProposals(demoOnFreshSamples(chinese, "zh-Hans"), {{"扫描件_001.pdf", "上海宜家家居有限公司"},
                                                             {"下载 (3).pdf", "Castavet"},
                                                             {"新建文本文档.txt", "微信支付"},
                                                             {"未命名.txt", "中国国航"}});
    EXPECT_GT(ollama.questions(), 0);
}

// Without any engine the demo is never empty: the rules alone name all four samples in
// both languages (the invoice by issuer, amount and date, the paper by its arXiv number,
// the receipt by its amount, the ticket by its carrier, or in Chinese by its date only).
TEST_F(SampleDemo, WithoutAnEngineTheRulesStillNameEverySample)
{
    const NoEngine none;
    BrowserState english;
    expectProposals(demoOnFreshSamples(english, "en"), {{"Scan_001.pdf", "IKEA_US_LLC"},
                                                        {"download.pdf", "1706.03762"},
                                                        {"untitled.txt", "3500"},
                                                        {"download (3).pdf", "United_Airlines"}});
    BrowserState chinese;
    expectProposals(demoOnFreshSamples(chinese, "zh-Hans"), {{"扫描件_001.pdf", "上海宜家家居有限公司"},
                                                             {"下载 (3).pdf", "1706.03762"},
                                                             {"新建文本文档.txt", "微信支付"},
                                                             {"未命名.txt", "2026-07-03"}});
}
