// The Ollama namer against a fake Ollama server on 127.0.0.1, and the engine order.
#include "Defaults.h"
#include "EnginesTestSupport.h"
#include "ScenarioDetection.h"
#include "TestSupport.h"
#include "LocalLLM.h"
#include "Localization.h"
#include "Namer.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <atomic>

namespace {

using Loopback::Reply;
using Loopback::Request;

QByteArray generateReply(const QString &response)
{
    return QJsonDocument(QJsonObject{{"model", "m"}, {"response", response}, {"done", true}}).toJson();
}

// A fake Ollama: /api/tags answers `tagsStatus`, /api/generate answers `generate`.
struct FakeOllama
{
    explicit FakeOllama(int tagsStatus = 200, Reply generate = Reply::json(generateReply("{}")))
        : server([this](const Request &request) {
              QMutexLocker locker(&lock);
              if (request.path.endsWith("/api/tags")) {
                  return Reply::json(R"({"models":[]})", tags);
              }
              return generateAnswer;
          }),
          tags(tagsStatus), generateAnswer(std::move(generate))
    {
        Defaults::shared().setValue(Namer::endpointKey, server.base());
        Namer::resetProbeCache();
    }

    void answer(Reply reply)
    {
        QMutexLocker locker(&lock);
        generateAnswer = std::move(reply);
    }

    QList<Request> generateRequests() const
    {
        QList<Request> list;
        for (const Request &r : server.requests()) {
            if (r.path.endsWith("/api/generate"))
                list << r;
        }
        return list;
    }

    Loopback::Server server;
    QMutex lock;
    int tags;
    Reply generateAnswer;
};

// Engines other than Ollama that record how often they were asked.
struct RecordingEngines
{
    std::atomic<int> systemCalls{0};
    std::atomic<int> localCalls{0};
    bool systemAvailable = false;
    std::optional<QString> systemAnswer;
    std::optional<QString> localAnswer;
    QString lastQuestion;
    QString lastSnippet;
    qint64 clock = 1000000;

    Namer::Engines engines()
    {
        return {
            [this] { return systemAvailable; },
            [this](const QString &, const QString &) {
                ++systemCalls;
                return systemAnswer;
            },
            [this](const QString &question, const QString &snippet) {
                ++localCalls;
                lastQuestion = question;
                lastSnippet = snippet;
                return localAnswer;
            },
            [this] { return clock; },
        };
    }
};

TEST(NamerExchange, NamingRequestCarriesTheExactBodyAndPromptInBothLanguages)
{
    const QString answer = R"({"name":"Q3 Report","date":"2024-03-15","lang":"en","confidence":"high","reason":"title"})";
    for (const QString &language : {QStringLiteral("en"), QStringLiteral("zh-Hans")}) {
        FakeOllama ollama(200, Reply::json(generateReply(answer)));
        PinnedLanguage pinned(language);
        const QString snippet = QStringLiteral("Quarterly report\nRevenue grew 12 %.");
        const auto named = offGuiThread([&] {
            return Namer::name("q3.pdf", "pdf", "2024-04-01", "pdf-text", snippet, "llama3:8b");
        });
        ASSERT_TRUE(named) << language.toStdString();
        EXPECT_EQ(named->name, QStringLiteral("Q3 Report"));
        EXPECT_EQ(named->date, QStringLiteral("2024-03-15"));
        EXPECT_EQ(named->lang, QStringLiteral("en"));
        EXPECT_EQ(named->confidence, QStringLiteral("high"));
        EXPECT_EQ(named->reason, QStringLiteral("title"));

        const QList<Request> requests = ollama.server.requests();
        ASSERT_EQ(requests.size(), 2);
        EXPECT_EQ(requests[0].method, "GET");
        EXPECT_EQ(requests[0].path, "/api/tags");
        const Request &generate = requests[1];
        EXPECT_EQ(generate.method, "POST");
        EXPECT_EQ(generate.path, "/api/generate");
        EXPECT_EQ(generate.headers.value("content-type"), "application/json");
        EXPECT_FALSE(generate.body.contains('\n')) << "the body is compact";

        const QJsonObject body = QJsonDocument::fromJson(generate.body).object();
        EXPECT_EQ(body.keys(), QStringList({"format", "model", "options", "prompt", "stream"}));
        EXPECT_EQ(body.value("model"), QJsonValue("llama3:8b"));
        EXPECT_EQ(body.value("stream"), QJsonValue(false));
        EXPECT_EQ(body.value("format"), QJsonValue("json"));
        EXPECT_EQ(body.value("options").toObject(), QJsonObject({{"temperature", 0.2}}));

        const QString prompt = body.value("prompt").toString();
        const QString word = language == "en" ? QStringLiteral("English") : QStringLiteral("中文");
        EXPECT_TRUE(prompt.startsWith(
            "你是文件命名专家。根据下面的文件信息，生成一个简洁、信息密度高、人能一眼看懂的文件名「主体」。\n\n规则：\n"));
        EXPECT_TRUE(prompt.contains("内容语言判断不了时，用" + word + "命名。\n- 抓住「是什么 + 关于谁/什么主题」"));
        EXPECT_TRUE(prompt.contains("\n\n文件信息：\n- 原文件名：q3.pdf\n- 扩展名：pdf\n- 文件日期：2024-04-01"
                                    "\n- 内容来源：pdf-text\n- 内容片段：\n" + snippet + "\n\n只输出这个 JSON 结构"));
        EXPECT_TRUE(prompt.endsWith(
            "（值按上面规则填写，reason 是一句话理由）：\n{\"name\": \"\", \"date\": \"\", \"lang\": \"\", "
            "\"confidence\": \"\", \"reason\": \"\"}"));
        EXPECT_EQ(prompt, Namer::namingPrompt("q3.pdf", "pdf", "2024-04-01", "pdf-text", snippet, language));
    }
}

TEST(NamerExchange, ShortQuestionSendsTheInstructionAndTheFirst1200Characters)
{
    FakeOllama ollama(200, Reply::json(generateReply(R"({"v":"  Northwind Traders \n"})")));
    // Each "é" is two code points but one character: the cut counts characters.
    const QString text = QString("e\u0301").repeated(1300);
    const auto answer = offGuiThread([&] { return Namer::describe("Who issued it?", text, "qwen2.5:7b"); });
    EXPECT_EQ(answer, QStringLiteral("Northwind Traders"));

    const QList<Request> generate = ollama.generateRequests();
    ASSERT_EQ(generate.size(), 1);
    const QString prompt = QJsonDocument::fromJson(generate[0].body).object().value("prompt").toString();
    EXPECT_EQ(prompt, "Who issued it?\n内容若乱码/读不懂，返回空字符串。严格只输出 JSON：{\"v\":\"...\"}\n内容片段：\n"
                          + QString("e\u0301").repeated(1200));
}

TEST(NamerExchange, StoredBaseIsUsedAsStoredEvenWithATrailingSlash)
{
    FakeOllama ollama(200, Reply::json(generateReply(R"({"v":"Acme"})")));
    Defaults::shared().setValue(Namer::endpointKey, ollama.server.base() + "/");
    EXPECT_EQ(offGuiThread([] { return Namer::describe("q", "Acme invoice", "m"); }), QStringLiteral("Acme"));
    EXPECT_EQ(Namer::endpoint().toString(), ollama.server.base() + "//api/generate");
    // QtNetwork merges repeated slashes when it writes the request line, so the request
    // reaches the server's own path.
    const QList<Request> requests = ollama.server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].path, "/api/tags");
    EXPECT_EQ(requests[1].path, "/api/generate");

    // A base that does not parse: no probe; generate requests go to the default address.
    Defaults::shared().setValue(Namer::endpointKey, QStringLiteral("http://exa mple:11434"));
    EXPECT_EQ(Namer::endpoint(), QUrl("http://localhost:11434/api/generate"));
    EXPECT_FALSE(offGuiThread([] { return Namer::reachable(); }));
    EXPECT_TRUE(offGuiThread([] { return Namer::availableModels(); }).isEmpty());
    EXPECT_EQ(ollama.server.hits(), 2);

    Defaults::shared().remove(Namer::endpointKey);
    EXPECT_EQ(Namer::baseText(), QStringLiteral("http://localhost:11434"));
}

TEST(NamerParse, DecodesNamedFromTheWholeTextOrItsBraces)
{
    struct Case {
        const char *name;
        QString text;
        std::optional<Named> expected;
    };
    Named onlyName;
    onlyName.name = "Attention_Transformer";
    Named full{"n", "2024-01-02", "zh", "low", "r"};
    Named withNull;
    withNull.name = "n";
    const Case cases[] = {
        {"whole object", R"({"name":"n","date":"2024-01-02","lang":"zh","confidence":"low","reason":"r","extra":[1]})", full},
        {"prose around the braces", "Sure! Here it is: {\"name\": \"Attention_Transformer\"} Hope it helps.", onlyName},
        {"null is absent", R"({"name":"n","date":null})", withNull},
        {"numeric confidence fails the whole decode", R"({"name":"n","confidence":0.9})", std::nullopt},
        {"numeric confidence fails after the cut too", R"(x {"name":"n","confidence":1} y)", std::nullopt},
        {"boolean name", R"({"name":true})", std::nullopt},
        {"closing brace before the opening one", "} nothing here {", std::nullopt},
        {"no braces", "name: n", std::nullopt},
        {"empty", "", std::nullopt},
        {"array", R"([{"name":"n"}])", withNull},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Namer::parse(c.text), c.expected) << c.name;
}

TEST(NamerParse, PullsTheTrimmedValueOfV)
{
    struct Case {
        QString text;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {R"({"v":"  Northwind  "})", QStringLiteral("Northwind")},
        {R"({"v":"   "})", std::nullopt},
        {R"({"v":""})", std::nullopt},
        {R"({"v":3})", std::nullopt},
        {R"({"w":"x"})", std::nullopt},
        {"Answer: {\"v\":\"季度报告\"} done", QStringLiteral("季度报告")},
        {R"(} {"v":"x")", std::nullopt},
        {R"({"v":"a"}{"v":"b"})", std::nullopt}, // the slice is not one object either
        {"{\"v\":\"\\n\\tword\\n\"}", QStringLiteral("word")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Namer::pull(c.text), c.expected) << c.text.toStdString();
}

TEST(NamerExchange, UnusableRepliesGiveNothingAndNoOtherEngineIsAsked)
{
    const Reply replies[] = {
        Reply::json(""),
        Reply::json(R"({"model":"m","done":true})"),
        Reply::json(R"({"response":42})"),
        Reply::json("not json", 500),
        Reply::json(generateReply("plain words, no JSON")),
        Reply::json(generateReply(R"({"name":"n","confidence":1})")),
    };
    for (const Reply &reply : replies) {
        FakeOllama ollama(200, reply);
        RecordingEngines recorder;
        recorder.systemAvailable = true;
        recorder.systemAnswer = "system";
        recorder.localAnswer = R"({"v":"local"})";
        Namer::ScopedEngines scoped(recorder.engines());
        EXPECT_FALSE(offGuiThread([] { return Namer::name("a.pdf", "pdf", "2024-01-01", "text", "local system", "m"); }))
            << reply.body.toStdString();
        EXPECT_FALSE(offGuiThread([] { return Namer::describe("q", "local system", "m"); }))
            << reply.body.toStdString();
        EXPECT_EQ(recorder.systemCalls, 0);
        EXPECT_EQ(recorder.localCalls, 0);
        EXPECT_EQ(ollama.generateRequests().size(), 2);
    }
}

TEST(NamerProbe, ReachableOnlyForStatus200)
{
    const int statuses[] = {200, 201, 204, 404, 500};
    for (int status : statuses) {
        FakeOllama ollama(status);
        EXPECT_EQ(offGuiThread([] { return Namer::reachable(); }), status == 200) << status;
        EXPECT_EQ(ollama.server.hits("/api/tags"), 1);
    }

    // Nothing listens on a closed port.
    quint16 closedPort = 0;
    {
        Loopback::Server gone;
        closedPort = gone.port();
    }
    Defaults::shared().setValue(Namer::endpointKey, QStringLiteral("http://127.0.0.1:%1").arg(closedPort));
    EXPECT_FALSE(offGuiThread([] { return Namer::reachable(); }));
}

TEST(NamerProbe, ServerThatNeverAnswersIsDownAfterTheTwoSecondTimeOut)
{
    Loopback::Server silent([](const Request &) {
        Reply reply;
        reply.mode = Reply::Mode::noAnswer;
        return reply;
    });
    Defaults::shared().setValue(Namer::endpointKey, silent.base());
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(offGuiThread([] { return Namer::reachable(); }));
    EXPECT_GE(timer.elapsed(), 1900);  // the time-out, not a refused connection
    EXPECT_LT(timer.elapsed(), 30000); // and not the generate time-out
    EXPECT_EQ(silent.hits(), 1);
}

TEST(NamerProbe, CachedProbeIsReusedFor15Seconds)
{
    FakeOllama ollama(200, Reply::json(generateReply(R"({"v":"Acme"})")));
    RecordingEngines recorder;
    Namer::ScopedEngines scoped(recorder.engines());
    const auto ask = [] { return offGuiThread([] { return Namer::describe("q", "Acme", "m"); }); };

    EXPECT_EQ(ask(), QStringLiteral("Acme"));
    EXPECT_EQ(ollama.server.hits("/api/tags"), 1);
    recorder.clock += 14999;
    EXPECT_EQ(ask(), QStringLiteral("Acme"));
    EXPECT_TRUE(offGuiThread([] { return Namer::name("a.txt", "txt", "2024-01-01", "text", "Acme", "m"); }).has_value());
    EXPECT_EQ(ollama.server.hits("/api/tags"), 1);

    // Once the probe is 15 s old the next call probes again; now the server is down, so
    // the question goes to the in-process model instead.
    recorder.clock += 1;
    {
        QMutexLocker locker(&ollama.lock);
        ollama.tags = 503;
    }
    recorder.localAnswer = R"({"v":"local"})";
    EXPECT_EQ(ask(), QStringLiteral("local"));
    EXPECT_EQ(ollama.server.hits("/api/tags"), 2);
    EXPECT_EQ(ask(), QStringLiteral("local"));
    EXPECT_EQ(ollama.server.hits("/api/tags"), 2);
    EXPECT_EQ(ollama.generateRequests().size(), 3);

    // A probe made elsewhere (the browser's) is reused the same way.
    Namer::recordProbe(true);
    EXPECT_EQ(ask(), QStringLiteral("Acme"));
    EXPECT_EQ(ollama.server.hits("/api/tags"), 2);
}

TEST(NamerEngines, OnlyASystemModelNothingFallsThroughToTheLocalModel)
{
    FakeOllama down(404);
    struct Case {
        const char *name;
        bool systemAvailable;
        std::optional<QString> systemAnswer;
        std::optional<QString> localAnswer;
        std::optional<QString> expected;
        int systemCalls;
        int localCalls;
    };
    const Case cases[] = {
        {"system answer used as given", true, QStringLiteral(" {\"v\":\"x\"} "), QStringLiteral(R"({"v":"L"})"),
         QStringLiteral(" {\"v\":\"x\"} "), 1, 0},
        {"empty system answer is still an answer", true, QString(""), QStringLiteral(R"({"v":"L"})"), QString(""), 1, 0},
        {"system nothing falls through", true, std::nullopt, QStringLiteral(R"({"v":" L "})"), QStringLiteral("L"), 1, 1},
        {"system unavailable", false, QStringLiteral("S"), QStringLiteral(R"(say {"v":"L"})"), QStringLiteral("L"), 0, 1},
        {"local nothing", false, std::nullopt, std::nullopt, std::nullopt, 0, 1},
        {"local blank value", false, std::nullopt, QStringLiteral(R"({"v":"  "})"), std::nullopt, 0, 1},
    };
    for (const Case &c : cases) {
        RecordingEngines recorder;
        recorder.systemAvailable = c.systemAvailable;
        recorder.systemAnswer = c.systemAnswer;
        recorder.localAnswer = c.localAnswer;
        Namer::ScopedEngines scoped(recorder.engines());
        Namer::resetProbeCache();
        EXPECT_EQ(offGuiThread([] { return Namer::describe("Who?", "text", "m"); }), c.expected) << c.name;
        EXPECT_EQ(recorder.systemCalls, c.systemCalls) << c.name;
        EXPECT_EQ(recorder.localCalls, c.localCalls) << c.name;
    }
    EXPECT_TRUE(down.generateRequests().isEmpty());
}

TEST(NamerEngines, FallbackNameIsKeptOnlyWhenTheTextBearsItOut)
{
    FakeOllama down(500);
    const QString snippet = QStringLiteral("Invoice INV-7 from Northwind Traders Ltd, total 240.00 EUR");
    struct Case {
        const char *language;
        std::optional<QString> local;
        bool kept;
    };
    const Case cases[] = {
        {"en", QStringLiteral(R"({"v":"Northwind Traders"})"), true},
        {"zh-Hans", QStringLiteral(R"({"v":"Northwind Traders"})"), true},
        {"en", QStringLiteral(R"({"v":"Contoso Holdings"})"), false},
        {"en", QStringLiteral(R"({"v":""})"), false},
        {"en", std::nullopt, false},
    };
    for (const Case &c : cases) {
        RecordingEngines recorder;
        recorder.localAnswer = c.local;
        Namer::ScopedEngines scoped(recorder.engines());
        PinnedLanguage pinned(c.language);
        const auto named = offGuiThread(
            [&] { return Namer::name("scan.pdf", "pdf", "2024-05-06", "pdf-text", snippet, "m"); });
        EXPECT_EQ(recorder.lastQuestion, Namer::fallbackInstruction(c.language));
        EXPECT_TRUE(recorder.lastQuestion.contains(QString(c.language) == "en" ? "English" : "中文"));
        EXPECT_EQ(recorder.lastSnippet, snippet);
        ASSERT_EQ(named.has_value(), c.kept) << c.language << " " << c.local.value_or("-").toStdString();
        if (named) {
            Named expected;
            expected.name = QStringLiteral("Northwind Traders");
            expected.confidence = QStringLiteral("low");
            expected.reason = L("内置模型命名（已核对内容）");
            EXPECT_EQ(*named, expected);
        }
    }
    EXPECT_TRUE(down.generateRequests().isEmpty());
}

TEST(NamerEngines, DetectorAsksTheEnginesWhereItsRulesLeaveAGap)
{
    FakeOllama down(500);
    RecordingEngines recorder;
    recorder.localAnswer = QStringLiteral(R"({"v":"季度预算复盘"})");
    Namer::ScopedEngines scoped(recorder.engines());
    PinnedLanguage pinned("zh-Hans");
    // No title line: every line is a sentence, so the summary question goes to the engines.
    const QString text = QStringLiteral("本次会议围绕季度预算复盘展开，各部门汇报了执行情况。\n"
                                        "会议确认了下一阶段的重点工作安排和时间节点。");
    const QString path = TestSupport::root() + "/notes.txt";
    TestSupport::writeFile(path, text.toUtf8());
    const ScenarioMatch match =
        offGuiThread([&] { return ScenarioDetector::detect(path, text, "text", "m"); });
    EXPECT_EQ(recorder.localCalls.load(), 1);
    EXPECT_EQ(match.kind, ScenarioKind::document);
    EXPECT_EQ(match.base, QStringLiteral("季度预算复盘"));
}

TEST(NamerEngines, TinyModelAnswerIsPulledButNotGroundedInTheText)
{
    FakeOllama down(404);
    LocalLLM llm([] { return std::optional<QString>(QStringLiteral(MAROVEL_TINY_MODEL)); });
    Namer::Engines engines;
    engines.localModel = [&llm](const QString &q, const QString &s) { return llm.describeBlocking(q, s); };
    Namer::ScopedEngines scoped(engines);
    PinnedLanguage pinned("en");

    const QString snippet = QStringLiteral("Minutes of the board meeting held on 4 March 2024.");
    const auto described = offGuiThread([&] { return Namer::describe("Give the title.", snippet, "m"); });
    ASSERT_TRUE(described);
    EXPECT_GE(described->size(), 1);
    EXPECT_EQ(*described, described->trimmed());
    // The random model's words are not in the text, so no name is proposed from them.
    ASSERT_FALSE(ScenarioDetector::grounded(*described, snippet));
    EXPECT_FALSE(offGuiThread([&] { return Namer::name("m.txt", "txt", "2024-03-04", "text", snippet, "m"); }));
    EXPECT_EQ(llm.loadAttempts(), 1);
}

TEST(NamerModels, ListsTheNamesInServerOrder)
{
    struct Case {
        int status;
        QByteArray body;
        QStringList expected;
    };
    const Case cases[] = {
        {200, R"({"models":[{"name":"qwen2.5:7b"},{"size":1},{"name":"llama3:8b","size":2}]})", {"qwen2.5:7b", "llama3:8b"}},
        {200, R"({"models":[{"name":""},{"name":"a"},{"name":"a"},{"name":5}]})", {"", "a", "a"}},
        {200, R"({"models":[]})", {}},
        {200, R"({"models":[{"name":"a"},"b"]})", {}},
        {200, R"({"models":{"name":"a"}})", {}},
        {200, R"([{"name":"a"}])", {}},
        {500, R"({"models":[{"name":"a"}]})", {}},
    };
    for (const Case &c : cases) {
        Loopback::Server server([&](const Request &) { return Reply::json(c.body, c.status); });
        Defaults::shared().setValue(Namer::endpointKey, server.base());
        EXPECT_EQ(offGuiThread([] { return Namer::availableModels(); }), c.expected) << c.body.toStdString();
        ASSERT_EQ(server.requests().size(), 1);
        EXPECT_EQ(server.requests()[0].path, "/api/tags");
    }
}

TEST(NamerThreads, TheGuiThreadIsNeverMadeToWait)
{
    FakeOllama ollama(200, Reply::json(generateReply(R"({"v":"Acme"})")));
    RecordingEngines recorder;
    recorder.localAnswer = R"({"v":"Acme"})";
    Namer::ScopedEngines scoped(recorder.engines());

    // Called on the GUI thread, the blocking forms refuse at once.
    EXPECT_FALSE(Namer::describe("q", "Acme", "m"));
    EXPECT_FALSE(Namer::name("a.txt", "txt", "2024-01-01", "text", "Acme", "m"));
    EXPECT_FALSE(Namer::reachable());
    EXPECT_EQ(recorder.localCalls, 0);
    EXPECT_EQ(ollama.server.hits("/api/generate"), 0);

    // The cached check answers from the cache and refreshes it in the background.
    EXPECT_FALSE(Namer::ollamaReachableCached());
    ASSERT_TRUE(ollama.server.waitForHits(1));
    EXPECT_TRUE(Loopback::waitFor([] { return Namer::ollamaReachableCached(); }));
    EXPECT_EQ(ollama.server.hits("/api/tags"), 1);

    // The asynchronous forms deliver while the GUI thread keeps running.
    QFuture<std::optional<QString>> future = Namer::describeAsync("q", "Acme", "m");
    ASSERT_TRUE(Loopback::waitFor([&] { return future.isFinished(); }));
    EXPECT_EQ(future.result(), QStringLiteral("Acme"));
    QFuture<bool> up = Namer::reachableAsync();
    ASSERT_TRUE(Loopback::waitFor([&] { return up.isFinished(); }));
    EXPECT_TRUE(up.result());
}

} // namespace
