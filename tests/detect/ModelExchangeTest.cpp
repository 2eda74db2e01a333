// The model is asked once in each of the five cases that need it and never otherwise; its
// answer counts only when the document bears it out.
#include "DetectTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Conf = ScenarioMatch::Conf;
namespace Instruction = ScenarioDetector::Instruction;

struct Asked
{
    ScenarioMatch match;
    int calls = 0;
    QString instruction;
    QString text;
    QString model;
};

Asked ask(const QString &name, const QString &text, const QString &source,
          std::optional<QString> answer)
{
    FakeModel model(std::move(answer));
    Asked asked;
    asked.match = ScenarioDetector::detect(missingFile(name), text, source,
                                           QStringLiteral("llama3:8b"), model.describe());
    asked.calls = model.calls();
    asked.instruction = model.instruction();
    asked.text = model.text();
    asked.model = model.model();
    return asked;
}

const QString invoiceWithoutSeller =
    QStringLiteral("电子发票\n上海丙丁餐饮 消费明细\n价税合计（小写）¥100.00\n开票日期 2024-03-05");
const QString contractWithoutTitle =
    QStringLiteral("甲方：张三\n乙方：李四\n双方就房屋租赁事宜签订本协议，共同遵守。");
const QString paperText = QStringLiteral(
    "Graph Search at Scale\nA. Keltrow\nAbstract\nWe study graph search.\nReferences\n[1] x");
const QString screenshotText = QStringLiteral("Build failed: 3 errors in main.cpp line 42");
const QString untitledText = QStringLiteral(
    "the meeting about the spring budget went on for two hours and nobody agreed on anything, "
    "so we meet again.");

TEST(ModelExchange, AskedOnceWithTheInstructionTheTextAndTheModel)
{
    const Pinned pinned;
    struct Case
    {
        const char *label;
        QString name;
        QString source;
        QString text;
        QString instruction;
    };
    const Case cases[] = {
        {"invoice without a seller", "fp.pdf", "pdf-text", invoiceWithoutSeller,
         "这张发票的销售方/开票公司名称（中文优先）"},
        {"contract without a title", "c.pdf", "pdf-text", contractWithoutTitle,
         "这份文件的标题或合同类型（如『股权转让协议』『劳动合同』『保密协议』），只给名称，不要写人名或公司名"},
        {"every paper", "p.pdf", "pdf-text", paperText,
         "这篇论文的『第一作者姓_短标题』，英文论文用英文、中文用中文，例如 Keltrow_attention-is-all-you-need"},
        {"every screenshot", "Screenshot 1.png", "image-ocr", screenshotText,
         ScenarioDetector::screenshotTopicInstruction("zh-Hans")},
        {"document without a title line", "notes.txt", "text", untitledText,
         "用一句不超过14字的短语概括这份文档是什么（标题或主题），只给短语、不要解释"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        const Asked asked = ask(c.name, c.text, c.source, std::nullopt);
        EXPECT_EQ(asked.calls, 1);
        EXPECT_EQ(asked.instruction, c.instruction);
        EXPECT_EQ(asked.text, ScenarioDetector::readingText(c.text));
        EXPECT_EQ(asked.model, "llama3:8b");
    }
}

TEST(ModelExchange, TheScreenshotQuestionFollowsTheInterfaceLanguage)
{
    const Pinned pinned(QStringLiteral("en"));
    const Asked asked = ask("Screenshot 1.png", screenshotText, "image-ocr", std::nullopt);
    EXPECT_EQ(asked.instruction, ScenarioDetector::screenshotTopicInstruction("en"));
    EXPECT_TRUE(asked.instruction.contains("英文单词"));
}

TEST(ModelExchange, NeverAskedWhenTheRulesFindEverything)
{
    const Pinned pinned;
    const QList<std::tuple<QString, QString, QString>> files{
        {"Setup.dmg", "skip", ""},
        {"report.pdf", "online", "some text that is long enough to be read"},
        {"fp.pdf", "pdf-text", "电子发票\n销售方名称：上海丙丁餐饮管理有限公司\n价税合计（小写）¥100.00"},
        {"r.pdf", "pdf-text", "支付宝 交易成功 ¥20.00"},
        {"s.pdf", "pdf-text", "招商银行信用卡对账单 账单周期 2024年03月"},
        {"c.pdf", "pdf-text", "房屋租赁合同\n甲方：张三\n乙方：李四"},
        {"c.pdf", "pdf-text", "甲方：张三\n乙方：李四\n双方签订《房屋租赁合同》。"},
        {"t.pdf", "pdf-text", "东航 登机牌\n航班 MU5101"},
        {"id.jpg", "image-ocr", "居民身份证 姓名 张三 性别 男"},
        {"notes.txt", "text", "Quarterly Planning Notes\nWe met and set three goals for the quarter."},
        {"Screenshot 1.png", "image-ocr", ""},
        {"a.pdf", "pdf-text", "short"},
        {"a.pdf", "pdf", ""},
        {"a.zip", "skip", ""},
    };
    for (const auto &[name, source, text] : files) {
        const Asked asked = ask(name, text, source, QStringLiteral("anything"));
        EXPECT_EQ(asked.calls, 0) << name.toStdString() << ": " << ::testing::PrintToString(asked.match);
    }
}

TEST(ModelExchange, GroundedAnswersFillTheGap)
{
    const Pinned pinned;
    Asked a = ask("fp.pdf", invoiceWithoutSeller, "pdf-text", QStringLiteral("上海丙丁餐饮"));
    EXPECT_EQ(a.match.base, "上海丙丁餐饮_发票_¥100");
    EXPECT_EQ(a.match.signalStrength, 3); // 1, the total and the date
    EXPECT_EQ(a.match.conf, Conf::high);
    EXPECT_TRUE(a.match.groundedSlot);

    a = ask("c.pdf", contractWithoutTitle, "pdf-text", QStringLiteral("『房屋租赁协议』"));
    EXPECT_EQ(a.match.base, "房屋租赁协议");
    EXPECT_EQ(a.match.signalStrength, 2);
    EXPECT_EQ(a.match.conf, Conf::high);
    EXPECT_EQ(a.match.recognized, "这看起来是房屋租赁协议");

    a = ask("Screenshot 1.png", screenshotText, "image-ocr", QStringLiteral("build failed"));
    EXPECT_EQ(a.match.base, "截图_build_failed");
    EXPECT_EQ(a.match.recognized, "截到一段：build failed");

    a = ask("Untitled.txt", untitledText, "text", QStringLiteral("spring budget meeting"));
    EXPECT_EQ(a.match.base, "spring_budget_meeting");
    EXPECT_EQ(a.match.conf, Conf::medium); // a generic name counts as the one signal
    EXPECT_TRUE(a.match.renameReady);

    // The same summary for a file whose name says something: no signal, low, not offered.
    a = ask("budget talk.txt", untitledText, "text", QStringLiteral("spring budget meeting"));
    EXPECT_EQ(a.match.base, "spring_budget_meeting");
    EXPECT_EQ(a.match.conf, Conf::low);
    EXPECT_FALSE(a.match.renameReady);
}

TEST(ModelExchange, UngroundedAnswersAreDropped)
{
    const Pinned pinned;
    const QString invented = QStringLiteral("北京某某科技有限公司");

    Asked a = ask("fp.pdf", invoiceWithoutSeller, "pdf-text", invented);
    EXPECT_EQ(a.match.base, "发票_¥100");
    EXPECT_FALSE(a.match.groundedSlot);
    EXPECT_EQ(a.match.conf, Conf::low);
    EXPECT_FALSE(a.match.recognized.contains(invented));

    a = ask("c.pdf", contractWithoutTitle, "pdf-text", QStringLiteral("股权转让协议"));
    EXPECT_EQ(a.match.base, "合同协议");
    EXPECT_FALSE(a.match.groundedSlot);
    EXPECT_EQ(a.match.conf, Conf::low);
    EXPECT_EQ(a.match.recognized, "这看起来是合同/协议");

    a = ask("p.pdf", paperText, "pdf-text", QStringLiteral("Vaswani_attention-is-all-you-need"));
    EXPECT_EQ(a.match.base, "paper");
    EXPECT_FALSE(a.match.groundedSlot);
    EXPECT_EQ(a.match.conf, Conf::low);
    EXPECT_TRUE(a.match.renameReady); // the paper's structure is a signal

    a = ask("Screenshot 1.png", screenshotText, "image-ocr", QStringLiteral("quarterly revenue"));
    EXPECT_EQ(a.match.base, "截图");
    EXPECT_TRUE(a.match.groundedSlot);
    EXPECT_TRUE(a.match.renameReady);

    a = ask("Untitled.txt", untitledText, "text", QStringLiteral("季度销售报告"));
    EXPECT_TRUE(a.match.base.isEmpty());
    EXPECT_FALSE(a.match.renameReady);
    EXPECT_EQ(a.match.datePrefix, pinnedDay);
}

TEST(ModelExchange, NoAnswerAndAFailingEngine)
{
    const Pinned pinned;
    // No answer: the invoice keeps its fallback name and its grounding.
    Asked a = ask("fp.pdf", invoiceWithoutSeller, "pdf-text", std::nullopt);
    EXPECT_EQ(a.match.base, "发票_¥100");
    EXPECT_TRUE(a.match.groundedSlot);
    // A contract without any title is not grounded.
    a = ask("c.pdf", contractWithoutTitle, "pdf-text", QStringLiteral("  "));
    EXPECT_FALSE(a.match.groundedSlot);
    EXPECT_EQ(a.match.base, "合同协议");

    // An engine that throws, or none at all, is no answer; the kind never changes.
    const ScenarioDetector::Describe throwing = [](const QString &, const QString &,
                                                   const QString &) -> std::optional<QString> {
        throw std::runtime_error("engine down");
    };
    for (const ScenarioDetector::Describe &engine : {throwing, ScenarioDetector::Describe()}) {
        const ScenarioMatch m = ScenarioDetector::detect(missingFile("p.pdf"), paperText, "pdf-text",
                                                         "m", engine);
        EXPECT_EQ(m.kind, ScenarioKind::paper);
        EXPECT_EQ(m.base, "paper");
    }
}

TEST(ModelExchange, AnswersAreTidiedBeforeTheyAreChecked)
{
    const Pinned pinned;
    const QList<std::pair<QString, QString>> answers{
        {"《房屋租赁协议》", "房屋租赁协议"},
        {"标题：房屋租赁协议。", "房屋租赁协议"},
        {"\"房屋租赁协议\"\n(解释：……)", "房屋租赁协议"},
        {"  「房屋租赁协议」  ", "房屋租赁协议"},
    };
    for (const auto &[answer, base] : answers) {
        const Asked a = ask("c.pdf", contractWithoutTitle, "pdf-text", answer);
        EXPECT_EQ(a.match.base, base) << answer.toStdString();
        EXPECT_TRUE(a.match.groundedSlot) << answer.toStdString();
    }
}

} // namespace
