#include "Defaults.h"
#include "Localization.h"
#include "LoopbackHttp.h"
#include "NamingCore.h"
#include "NamingDecision.h"
#include "NamingTemplate.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <future>

namespace {

using Loopback::Reply;
using Loopback::Request;

const QString dash = QString(QChar(0x2014));
const QString fffd = QString(QChar(QChar::ReplacementCharacter));

class NamingDecision : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Defaults::shared().remove(NamingTemplate::storageKey);
        Defaults::shared().remove(NamingTemplate::includeDateKey);
        // Inside this test's own folder: a fixed name in /tmp is shared with the other
        // test processes CTest runs at the same time, which would delete these files.
        dir = QDir::current().filePath(QStringLiteral("naming-decision"));
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
    }

    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = QDir(dir).filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }

    QString dir;
};

Extraction text(const QString &body, const QString &source = ContentSource::text)
{
    return Extraction{body, source};
}

TEST_F(NamingDecision, KeepsTheNameWhenNothingUsableWasRead)
{
    const QString path = QStringLiteral("/tmp/x/scan.pdf");
    struct Case
    {
        Extraction extraction;
        QString reason; // empty: goes on to detection
    };
    const QList<Case> cases{
        {text(QStringLiteral("a long enough text"), ContentSource::online),
         L("☁︎ 在线文件 · 未下载正文（需要时右键「下载并读内容起名」）")},
        {text(QStringLiteral("abc")), L("内容为空/无法读取，保留原名")},
        {text(QString()), L("内容为空/无法读取，保留原名")},
        // Counted untrimmed: three letters and a space are four characters.
        {text(QStringLiteral("abc ")), {}},
        // Combining marks make one character with their base letter.
        {text(QStringLiteral("e\u0301e\u0301e\u0301")), L("内容为空/无法读取，保留原名")},
        {text(QString(98, QLatin1Char('a')) + fffd + fffd), {}},
        {text(QString(97, QLatin1Char('a')) + fffd + fffd + fffd),
         L("抽取疑似乱码，保留原名（不让模型瞎编）")},
    };
    for (const Case &c : cases) {
        const auto result = Core::keptBeforeDetection(path, c.extraction);
        if (c.reason.isEmpty()) {
            EXPECT_FALSE(result.has_value()) << c.extraction.text.toStdString();
            continue;
        }
        ASSERT_TRUE(result.has_value()) << c.extraction.text.toStdString();
        EXPECT_EQ(result->newName, QStringLiteral("scan.pdf"));
        EXPECT_EQ(result->oldName, QStringLiteral("scan.pdf"));
        EXPECT_EQ(result->confidence, dash);
        EXPECT_EQ(result->reason, c.reason);
        EXPECT_FALSE(result->changed);
    }
}

TEST_F(NamingDecision, CleansEngineNames)
{
    const QList<std::pair<QString, QString>> cases{
        {QStringLiteral("  report: Q3/2024  "), QStringLiteral("report_Q3_2024")},
        {QStringLiteral(". memo ."), QStringLiteral("memo")},
        {QStringLiteral("a\tb"), QStringLiteral("a_b")},
        {QStringLiteral("///"), QString()},
        {QStringLiteral("..\\..\\etc"), QStringLiteral(".._etc")},
        {QStringLiteral("会议\u3000纪要"), QStringLiteral("会议\u3000纪要")},
        {QStringLiteral("a*?b|<c>"), QStringLiteral("a_b_c")},
        {QString(79, QLatin1Char('x')) + QStringLiteral(" yyyy"), QString(79, QLatin1Char('x'))},
        {QString(100, QLatin1Char('z')), QString(80, QLatin1Char('z'))},
    };
    for (const auto &[raw, clean] : cases)
        EXPECT_EQ(Core::cleanEngineName(raw), clean) << raw.toStdString();
}

TEST_F(NamingDecision, BuildsTheNameFromAnEngineAnswer)
{
    const QString path = QStringLiteral("/tmp/x/doc.txt");
    const Extraction longText = text(QString(40, QLatin1Char('w')));
    const QString fileDate = QStringLiteral("2023-01-02");
    auto answer = [](QString name, std::optional<QString> date, std::optional<QString> conf,
                     std::optional<QString> reason = QStringLiteral("why")) {
        Named n;
        n.name = name;
        n.date = date;
        n.confidence = conf;
        n.reason = reason;
        return n;
    };

    Proposal p = Core::fromEngine(path, std::nullopt, longText, fileDate);
    EXPECT_EQ(p.reason, L("没读出可命名的内容，保留原名"));
    EXPECT_EQ(p.confidence, dash);
    EXPECT_FALSE(p.changed);

    p = Core::fromEngine(path, answer(QStringLiteral("//"), {}, QStringLiteral("high"), std::nullopt),
                         longText, fileDate);
    EXPECT_EQ(p.reason, L("模型判断无法命名，保留原名"));
    EXPECT_EQ(p.confidence, dash);
    p = Core::fromEngine(path, answer(QStringLiteral("//"), {}, QStringLiteral("high"), QString()),
                         longText, fileDate);
    EXPECT_EQ(p.reason, QString());

    struct Case
    {
        std::optional<QString> date;
        std::optional<QString> conf;
        Extraction extraction;
        QString newName;
        QString confidence;
    };
    const QList<Case> cases{
        {QStringLiteral("2024-05-06"), QStringLiteral("high"), longText,
         QStringLiteral("2024-05-06_Budget_plan.txt"), QStringLiteral("high")},
        {QStringLiteral("  2024-05-06\t"), QStringLiteral("medium"), longText,
         QStringLiteral("2024-05-06_Budget_plan.txt"), QStringLiteral("medium")},
        {QStringLiteral("2024-13-40"), QStringLiteral("High"), longText,
         QStringLiteral("2024-13-40_Budget_plan.txt"), QStringLiteral("low")},
        {QStringLiteral("2024-5-6"), QStringLiteral("sure"), longText,
         QStringLiteral("2023-01-02_Budget_plan.txt"), QStringLiteral("low")},
        {QStringLiteral("2024/05/06"), std::nullopt, longText,
         QStringLiteral("2023-01-02_Budget_plan.txt"), QStringLiteral("low")},
        // A line feed after the date is not trimmed away: it would land in the name.
        {QStringLiteral("2024-05-06\n"), QStringLiteral("high"), longText,
         QStringLiteral("2023-01-02_Budget_plan.txt"), QStringLiteral("high")},
        {std::nullopt, QStringLiteral("high"), text(QString(29, QLatin1Char('w'))),
         QStringLiteral("2023-01-02_Budget_plan.txt"), QStringLiteral("low")},
        {std::nullopt, QStringLiteral("high"), text(longText.text, ContentSource::skip),
         QStringLiteral("2023-01-02_Budget_plan.txt"), QStringLiteral("low")},
        {std::nullopt, QStringLiteral("high"), text(longText.text, ContentSource::metadata),
         QStringLiteral("2023-01-02_Budget_plan.txt"), QStringLiteral("low")},
    };
    for (const Case &c : cases) {
        p = Core::fromEngine(path, answer(QStringLiteral("Budget plan"), c.date, c.conf),
                             c.extraction, fileDate);
        EXPECT_EQ(p.newName, c.newName) << c.date.value_or("-").toStdString();
        EXPECT_EQ(p.confidence, c.confidence) << c.date.value_or("-").toStdString();
        EXPECT_EQ(p.reason, QStringLiteral("why"));
        EXPECT_TRUE(p.changed);
    }

    // The answer renders to the current name: kept, with the engine's confidence.
    const QString same = QStringLiteral("/tmp/x/2024-05-06_Budget_plan.txt");
    p = Core::fromEngine(same, answer(QStringLiteral("Budget plan"), QStringLiteral("2024-05-06"),
                                      QStringLiteral("medium"), std::nullopt),
                         longText, fileDate);
    EXPECT_FALSE(p.changed);
    EXPECT_EQ(p.newName, QStringLiteral("2024-05-06_Budget_plan.txt"));
    EXPECT_EQ(p.confidence, QStringLiteral("medium"));
    EXPECT_EQ(p.reason, L("已是合适的名字"));
}

TEST_F(NamingDecision, NamesARecognisedDocumentThroughTheTemplate)
{
    ScenarioMatch match;
    match.kind = ScenarioKind::invoice;
    match.conf = ScenarioMatch::Conf::medium;
    match.recognized = QStringLiteral("Invoice from Acme");
    match.base = QStringLiteral("Acme_invoice");
    match.datePrefix = QStringLiteral("2024-03-05");
    match.renameReady = true;

    Proposal p = Core::fromScenario(QStringLiteral("/tmp/x/scan.PDF"), match);
    EXPECT_EQ(p.newName, QStringLiteral("2024-03-05_Acme_invoice.PDF"));
    EXPECT_EQ(p.confidence, QStringLiteral("medium"));
    EXPECT_EQ(p.reason, match.recognized);
    EXPECT_TRUE(p.changed);

    // Already carrying that name: the match's confidence, not the dash.
    p = Core::fromScenario(QStringLiteral("/tmp/x/2024-03-05_Acme_invoice.PDF"), match);
    EXPECT_FALSE(p.changed);
    EXPECT_EQ(p.confidence, QStringLiteral("medium"));
    EXPECT_EQ(p.reason, match.recognized);
    match.recognized.clear();
    p = Core::fromScenario(QStringLiteral("/tmp/x/2024-03-05_Acme_invoice.PDF"), match);
    EXPECT_EQ(p.reason, L("已是合适的名字"));

    match.renameReady = false;
    match.conf = ScenarioMatch::Conf::low;
    p = Core::fromScenario(QStringLiteral("/tmp/x/scan.pdf"), match);
    EXPECT_EQ(p.reason, L("读不准，已保留原名"));
    EXPECT_EQ(p.confidence, QStringLiteral("low"));
    EXPECT_FALSE(p.changed);
    match.recognized = QStringLiteral("Some invoice");
    p = Core::fromScenario(QStringLiteral("/tmp/x/scan.pdf"), match);
    EXPECT_EQ(p.reason, L("%@（读不准，已保留原名）", QStringLiteral("Some invoice")));
}

TEST_F(NamingDecision, TheTemplateIsReadOnEveryCall)
{
    ScenarioMatch match;
    match.kind = ScenarioKind::paper;
    match.base = QStringLiteral("Paper");
    match.datePrefix = QStringLiteral("2024-03-05");
    match.renameReady = true;
    NamingTemplate suffix;
    suffix.datePosition = NamingTemplate::DatePosition::suffix;
    suffix.persist();
    EXPECT_EQ(Core::fromScenario(QStringLiteral("/tmp/x/a.pdf"), match).newName,
              QStringLiteral("Paper_2024-03-05.pdf"));
    NamingTemplate none;
    none.datePosition = NamingTemplate::DatePosition::none;
    none.persist();
    EXPECT_EQ(Core::fromScenario(QStringLiteral("/tmp/x/a.pdf"), match).newName,
              QStringLiteral("Paper.pdf"));
}

// A fake Ollama server that names every document the same way.
struct FakeOllama
{
    explicit FakeOllama(QJsonObject answer)
        : server([answer](const Request &request) {
              if (request.path.endsWith("/api/tags"))
                  return Reply::json(R"({"models":[]})", 200);
              const QString response = QString::fromUtf8(QJsonDocument(answer).toJson(QJsonDocument::Compact));
              return Reply::json(QJsonDocument(QJsonObject{{"response", response}, {"done", true}}).toJson());
          })
    {
        Defaults::shared().setValue(Namer::endpointKey, server.base());
        Namer::recordProbe(true);
    }
    ~FakeOllama()
    {
        Defaults::shared().remove(Namer::endpointKey);
        Namer::resetProbeCache();
    }
    Loopback::Server server;
};

TEST_F(NamingDecision, ProposesFromRealFilesEndToEnd)
{
    FakeOllama ollama(QJsonObject{{"name", "Garden: plans"}, {"date", "2024-04-01"},
                                  {"confidence", "high"}, {"reason", "garden notes"},
                                  {"v", "Garden plans"}});
    const QString notes = write(QStringLiteral("notes.txt"),
                                "Garden Plans\n\nWe planted tomatoes and beans along the south fence this spring, "
                                "and the soil needs compost before the next season starts.");
    const QString tiny = write(QStringLiteral("tiny.txt"), "abc");
    auto run = [](const QString &path) {
        return std::async(std::launch::async, [path] {
                   return Core::propose(path, QStringLiteral("m"), false);
               }).get();
    };

    Proposal p = run(tiny);
    EXPECT_EQ(p.reason, L("内容为空/无法读取，保留原名"));
    EXPECT_FALSE(p.changed);

    p = run(notes);
    EXPECT_EQ(p.oldName, QStringLiteral("notes.txt"));
    // A titled text is a recognised document: the detector names it, dated by the file.
    EXPECT_EQ(p.newName, Core::fileDate(notes) + QStringLiteral("_Garden_Plans.txt"));
    EXPECT_EQ(p.confidence, QStringLiteral("medium"));
    EXPECT_TRUE(p.changed);
}

} // namespace
