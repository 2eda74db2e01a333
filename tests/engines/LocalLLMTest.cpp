// The in-process model on the generated tiny qwen2 model: prompt, grammar, loading once,
// warm-up, and that it never runs on the GUI thread.
#include "EnginesTestSupport.h"
#include "LlamaBridge.h"
#include "LlamaBridgeInternal.h"
#include "LocalLLM.h"
#include "Namer.h"
#include "ScenarioDetection.h"
#include "TestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

const QString tinyModel = QStringLiteral(MAROVEL_TINY_MODEL);

std::function<std::optional<QString>()> pathOf(const QString &path)
{
    return [path] { return std::optional<QString>(path); };
}

QRegularExpression answerShape(int most)
{
    return QRegularExpression(QStringLiteral(R"(^\{"v":"[^"\\{}:<>\n\r\t]{2,%1}"\}$)").arg(most));
}

TEST(LocalLLMText, GrammarAndPromptFollowTheInterfaceLanguage)
{
    EXPECT_EQ(LocalLLM::describeGBNF("en"), QStringLiteral(
        "root ::= \"{\\\"v\\\":\\\"\" name \"\\\"}\"\nname ::= char{2,48}\nchar ::= [^\"\\\\{}:<>\\n\\r\\t]"));
    EXPECT_EQ(LocalLLM::describeGBNF("zh-Hans"), QStringLiteral(R"(root ::= "{\"v\":\"" name "\"}"
name ::= char{2,24}
char ::= [^"\\{}:<>\n\r\t])"));

    const QString en = LocalLLM::describePrompt("Who issued it?", "Invoice", "en");
    EXPECT_EQ(en, QStringLiteral(
        "<|im_start|>system\n你是文件信息提取助手。只输出答案本身（公司名/标题/主题等真实内容），绝不解释、绝不复述或改写问题里的话。"
        "答案语言跟随内容语言：内容是中文就用中文（除英文专有名外不要翻成英文），内容是英文就用英文、不要翻成中文；"
        "判断不了时用English。<|im_end|>\n<|im_start|>user\nWho issued it?\n内容片段：\nInvoice<|im_end|>\n"
        "<|im_start|>assistant"));
    EXPECT_TRUE(LocalLLM::describePrompt("q", "s", "zh-Hans").contains("判断不了时用中文。<|im_end|>"));

    // An 800-character snippet contributes its first 500 characters (not code units).
    const QString snippet = QString("发👨‍👩‍👧").repeated(400);
    const QString prompt = LocalLLM::describePrompt("q", snippet, "en");
    EXPECT_TRUE(prompt.endsWith("内容片段：\n" + QString("发👨‍👩‍👧").repeated(250) + "<|im_end|>\n<|im_start|>assistant"));
}

TEST(LocalLLMModel, AnswersWithTheGrammarShapedJsonInBothLanguages)
{
    LocalLLM llm(pathOf(tinyModel));
    for (const auto &[language, most] : {std::pair{"en", 48}, std::pair{"zh-Hans", 24}}) {
        PinnedLanguage pinned(language);
        const auto answer = offGuiThread([&] {
            return llm.describeBlocking("Give the document title.", "Board meeting minutes, 4 March 2024");
        });
        ASSERT_TRUE(answer) << language;
        EXPECT_TRUE(answerShape(most).match(*answer).hasMatch()) << answer->toStdString();
        // Greedy decoding: the same question gives the same answer.
        EXPECT_EQ(offGuiThread([&] {
                      return llm.describeBlocking("Give the document title.", "Board meeting minutes, 4 March 2024");
                  }),
                  answer);
    }
    EXPECT_EQ(llm.loadAttempts(), 1);
    EXPECT_TRUE(llm.isLoaded());
}

// The bridge's quick grammar checks give the answer the whole-vocabulary check gives, on
// the questions the naming engines really ask, in both interface languages.
TEST(LocalLLMModel, GrammarShortcutsAnswerTheRealQuestionsAsTheWholeVocabularyDoes)
{
    using namespace marovel::llamabridge;
    const std::unique_ptr<lb_handle, void (*)(lb_handle *)> h(
        lb_load(QFile::encodeName(tinyModel).constData(), LocalLLM::contextSize, LocalLLM::gpuLayers),
        lb_free);
    ASSERT_NE(h, nullptr);
    struct Question {
        QString instruction;
        QString snippet;
    };
    const auto questions = [](const QString &language) {
        return std::vector<Question>{
            {ScenarioDetector::Instruction::invoiceSeller(),
             "电子发票（普通发票）\n发票号码：24312000000123456789\n销售方名称：上海云杉信息科技有限公司\n"
             "价税合计（大写）壹仟贰佰捌拾元整 （小写）¥1280.00"},
            {ScenarioDetector::Instruction::contractTitle(),
             "SERVICE AGREEMENT\nThis Agreement is made on 4 March 2024 between Northwind Traders Ltd. "
             "and Contoso GmbH."},
            {ScenarioDetector::Instruction::paperAuthorTitle(),
             "Attention Is Not All You Need: Pure Attention Loses Rank Doubly Exponentially\n"
             "Yihe Dong, Jean-Baptiste Cordonnier, Andreas Loukas"},
            {ScenarioDetector::screenshotTopicInstruction(language),
             "10:42 📶 微信(3)\n群聊：周末骑行 🚴\n小王: 明早7点@滨江集合\n<img> {json} \"quoted\" \\path"},
            {ScenarioDetector::Instruction::documentSummary(), "ÿþ\x01\x02 ﾟ･✿ヾ╲(｡◕‿◕｡)╱✿･ﾟ \t\t 0x7f"},
            {Namer::fallbackInstruction(language), "Quarterly report Q3 2024 — revenue up 12 %; 第三季度报告"},
        };
    };
    // The answer's byte count (or -1) and text under one way of checking the grammar.
    const auto answer = [&](const QByteArray &prompt, const QByteArray &grammar, GrammarCheck check) {
        setGrammarCheck(check);
        std::vector<char> out(LocalLLM::answerBufferSize, '\0');
        const int32_t n = lb_generate(h.get(), prompt.constData(), grammar.constData(),
                                      LocalLLM::answerTokens, out.data(), LocalLLM::answerBufferSize);
        setGrammarCheck(GrammarCheck::BestTokenFirst);
        return std::pair(n, n >= 0 ? std::string(out.data(), size_t(n)) : std::string());
    };
    for (const QString &language : {QStringLiteral("en"), QStringLiteral("zh-Hans")}) {
        const QByteArray grammar = LocalLLM::describeGBNF(language).toUtf8();
        for (const Question &q : questions(language)) {
            const QByteArray prompt = LocalLLM::describePrompt(q.instruction, q.snippet, language).toUtf8();
            const auto whole = answer(prompt, grammar, GrammarCheck::WholeVocabulary);
            const auto quick = answer(prompt, grammar, GrammarCheck::BestTokenFirst);
            const std::string what = language.toStdString() + ": " + q.instruction.toStdString();
            EXPECT_GT(whole.first, 0) << what;
            EXPECT_EQ(quick, whole) << what;
        }
    }
}

TEST(LocalLLMModel, WarmupLoadsOnceAndLaterCallsReuseTheModel)
{
    LocalLLM llm(pathOf(tinyModel));
    EXPECT_FALSE(llm.isLoaded());
    llm.warmup().waitForFinished();
    EXPECT_TRUE(llm.isLoaded());
    llm.warmup().waitForFinished();
    EXPECT_TRUE(offGuiThread([&] { return llm.describeBlocking("q", "text"); }).has_value());
    EXPECT_EQ(llm.loadAttempts(), 1);
}

TEST(LocalLLMModel, AMissingModelEndsTheLoadAttemptsUntilAReset)
{
    const QString path = TestSupport::root() + "/models/late.gguf";
    LocalLLM llm(pathOf(path));
    EXPECT_FALSE(offGuiThread([&] { return llm.describeBlocking("q", "text"); }));

    // The file appearing later in the run is not picked up by itself…
    TestSupport::writeFile(path, TestSupport::readFile(tinyModel));
    llm.warmup().waitForFinished();
    EXPECT_FALSE(offGuiThread([&] { return llm.describeBlocking("q", "text"); }));
    EXPECT_EQ(llm.loadAttempts(), 0);
    EXPECT_FALSE(llm.isLoaded());

    // …only after the reset an install makes.
    llm.resetModel();
    EXPECT_TRUE(offGuiThread([&] { return llm.describeBlocking("q", "text"); }).has_value());
    EXPECT_EQ(llm.loadAttempts(), 1);
}

TEST(LocalLLMModel, AFailedLoadIsNotRetried)
{
    const QString path = TestSupport::root() + "/models/broken.gguf";
    TestSupport::writeFile(path, TestSupport::readFile(tinyModel).left(4096));
    LocalLLM llm(pathOf(path));
    for (int i = 0; i < 3; ++i) {
        llm.warmup();
        EXPECT_FALSE(offGuiThread([&] { return llm.describeBlocking("q", "text"); }));
    }
    EXPECT_EQ(llm.loadAttempts(), 1);

    // A reset after a good file was installed there loads it.
    QFile::remove(path);
    TestSupport::writeFile(path, TestSupport::readFile(tinyModel));
    llm.resetModel();
    llm.warmup().waitForFinished();
    EXPECT_TRUE(llm.isLoaded());
    EXPECT_EQ(llm.loadAttempts(), 2);

    // A reset releases the loaded model; the next call loads it again.
    llm.resetModel().waitForFinished();
    EXPECT_FALSE(llm.isLoaded());
    EXPECT_TRUE(offGuiThread([&] { return llm.describeBlocking("q", "text"); }).has_value());
    EXPECT_EQ(llm.loadAttempts(), 3);
}

TEST(LocalLLMThreads, NeverRunsOnTheGuiThread)
{
    LocalLLM llm(pathOf(tinyModel));
    // The waiting form refuses on the GUI thread, without loading anything.
    EXPECT_FALSE(llm.describeBlocking("q", "text"));
    EXPECT_EQ(llm.loadAttempts(), 0);

    // The asynchronous form runs on the worker while the GUI thread's loop goes on.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    QFuture<std::optional<QString>> answer = llm.describe("q", "text");
    ASSERT_TRUE(Loopback::waitFor([&] { return answer.isFinished(); }, 60000));
    EXPECT_TRUE(answer.result().has_value());
    EXPECT_GT(ticks, 0);
    ASSERT_NE(llm.lastBridgeThread(), nullptr);
    EXPECT_NE(llm.lastBridgeThread(), QThread::currentThread());
}

TEST(LocalLLMThreads, ConcurrentQuestionsAreSerialised)
{
    LocalLLM llm(pathOf(tinyModel));
    const QStringList texts{"Invoice from Acme", "Minutes of the meeting", "Flight to Berlin"};
    QList<QFuture<std::optional<QString>>> futures;
    for (int i = 0; i < 9; ++i) {
        const QString text = texts[i % 3];
        futures << QtConcurrent::run([&llm, text] { return llm.describeBlocking("Title?", text); });
    }
    QList<std::optional<QString>> answers;
    for (auto &future : futures) {
        ASSERT_TRUE(Loopback::waitFor([&] { return future.isFinished(); }, 120000));
        answers << future.result();
    }
    for (int i = 0; i < 9; ++i) {
        ASSERT_TRUE(answers[i].has_value());
        EXPECT_EQ(answers[i], answers[i % 3]) << i;
    }
    EXPECT_EQ(llm.loadAttempts(), 1);
}

TEST(LocalLLMPaths, ActiveModelFollowsTheCandidateOrder)
{
    const QString models = TestSupport::makeFolder("data/models");
    const QString bundle = TestSupport::makeFolder("share/marovel/models");
    const LocalLLM::Locations where{models, {TestSupport::root() + "/absent", bundle}};
    const auto put = [](const QString &path) { TestSupport::writeFile(path, "gguf"); };

    EXPECT_FALSE(LocalLLM::activeModelPath(where));
    EXPECT_FALSE(LocalLLM::has3B(where));

    put(models + "/" + LocalLLM::file05B);
    EXPECT_EQ(LocalLLM::activeModelPath(where), models + "/" + LocalLLM::file05B);
    put(bundle + "/" + LocalLLM::file05B);
    EXPECT_EQ(LocalLLM::activeModelPath(where), bundle + "/" + LocalLLM::file05B);
    put(models + "/" + LocalLLM::fileQwen3);
    EXPECT_EQ(LocalLLM::activeModelPath(where), models + "/" + LocalLLM::fileQwen3);
    EXPECT_FALSE(LocalLLM::has3B(where));

    put(models + "/" + LocalLLM::file3B);
    EXPECT_EQ(LocalLLM::activeModelPath(where), models + "/" + LocalLLM::file3B);
    EXPECT_TRUE(LocalLLM::has3B(where));
    put(bundle + "/" + LocalLLM::file3B);
    EXPECT_EQ(LocalLLM::activeModelPath(where), bundle + "/" + LocalLLM::file3B);

    QFile::remove(models + "/" + LocalLLM::file3B);
    EXPECT_TRUE(LocalLLM::has3B(where));

    // The downloaded model lies in the data folder's "models", whatever MAROVEL_HOME says.
    EXPECT_EQ(LocalLLM::downloaded3B(),
              qEnvironmentVariable("XDG_DATA_HOME") + "/Marovel/models/qwen2.5-3b-instruct-q4_k_m.gguf");
    EXPECT_FALSE(LocalLLM::activeModelPath());
    TestSupport::writeFile(LocalLLM::downloaded05B(), "gguf");
    EXPECT_EQ(LocalLLM::activeModelPath(), LocalLLM::downloaded05B());
}

} // namespace
