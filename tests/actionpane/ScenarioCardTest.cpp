// The scenario card on a real window model: what it shows, the rename offer and its
// answers with their telemetry (loopback), the editor, and filing.
#include "ActionContentSupport.h"
#include "Defaults.h"
#include "Localization.h"
#include "NamingTemplate.h"
#include "WindowTestSupport.h"
#include "action/ReadingRow.h"
#include "action/ScenarioCard.h"
#include "kit/Widgets.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace ActionTest;

namespace {

const QString suggestion = QStringLiteral("2024-03-01_Acme_发票.pdf");

ScenarioMatch invoice(bool renameReady = true)
{
    ScenarioMatch match;
    match.kind = ScenarioKind::invoice;
    match.conf = ScenarioMatch::Conf::high;
    match.recognized = QStringLiteral("Acme 的发票 ¥1,280.00");
    match.base = QStringLiteral("Acme_发票");
    match.datePrefix = QStringLiteral("2024-03-01");
    match.folderHint = QStringLiteral("发票");
    match.renameReady = renameReady;
    match.filingReady = true;
    match.note = QStringLiteral("金额已核对");
    return match;
}

class Card : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Defaults::shared().setValue(QStringLiteral("hasAcceptedRename"), false);
        const QString name = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_folder = makeTree(QStringLiteral("card-") + name, {"scan.pdf", "other.pdf", "notes.txt"});
        m_host = std::make_unique<Host<ScenarioCard>>(m_folder);
    }

    QString path(const QString &name) const { return m_folder + u'/' + name; }
    ScenarioCard *card() const { return m_host->view; }
    ActionPaneModel &model() const { return m_host->model; }
    template <typename T = QWidget>
    T *find(const char *name) const { return card()->findChild<T *>(QString::fromLatin1(name)); }
    void click(const char *name) const
    {
        auto *button = find<QAbstractButton>(name);
        ASSERT_TRUE(button) << name;
        ASSERT_TRUE(button->isVisibleTo(&m_host->window)) << name << " is hidden";
        button->click();
        m_host->settleView();
    }
    // Opens the editor and types `text` into it as the user does.
    void typeIntoEditor(const QString &text) const
    {
        click("editSuggestion");
        auto *edit = find<QLineEdit>("suggestedEdit");
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        typeText(edit, text);
    }

    ScopedLanguage m_language{QStringLiteral("zh-Hans")};
    TelemetrySink m_sink;
    QString m_folder;
    std::unique_ptr<Host<ScenarioCard>> m_host;
};

} // namespace

TEST_F(Card, ShowsWhatWasReadAsPlainDataInTheKindsTint)
{
    ScenarioMatch match = invoice();
    match.recognized = QStringLiteral("<b>x</b> & 发票");
    m_host->select(path("scan.pdf"), match);
    EXPECT_TRUE(shown(card(), "scenarioCardBody"));
    EXPECT_FALSE(shown(card(), "readingRow"));
    EXPECT_EQ(labelText(card(), "scenarioHeading"), "读到");
    EXPECT_EQ(labelText(card(), "scenarioRecognized"), "<b>x</b> & 发票");
    EXPECT_EQ(find<Kit::WrappingText>("scenarioRecognized")->toPlainText(), "<b>x</b> & 发票");
    EXPECT_EQ(labelText(card(), "scenarioKind"), ScenarioKinds::label(ScenarioKind::invoice));
    EXPECT_EQ(find<Kit::SymbolView>("scenarioKindIcon")->symbol(), ScenarioKinds::icon(ScenarioKind::invoice));
    EXPECT_EQ(labelText(card(), "scenarioNote"), "金额已核对");
    EXPECT_EQ(find<QLabel>("scenarioNote")->textFormat(), Qt::PlainText);
    EXPECT_EQ(find<QWidget>("scenarioCardBody")->property("tint").toString(), "purple");
    EXPECT_FALSE(shown(card(), "scenarioLock"));

    // Sensitive: pink and the lock; an empty note takes no line; each confidence its text.
    const std::pair<ScenarioMatch::Conf, QString> confidences[] = {
        {ScenarioMatch::Conf::high, "高把握"}, {ScenarioMatch::Conf::medium, "中把握"}, {ScenarioMatch::Conf::low, "低把握"}};
    for (const auto &[conf, text] : confidences) {
        match.sensitive = true;
        match.note.clear();
        match.conf = conf;
        model().setMatch(match);
        m_host->settleView();
        EXPECT_EQ(labelText(card(), "scenarioConf"), text);
    }
    EXPECT_EQ(find<QWidget>("scenarioCardBody")->property("tint").toString(), "pink");
    EXPECT_TRUE(shown(card(), "scenarioLock"));
    EXPECT_EQ(labelText(card(), "scenarioLockText"), "仅本地·未上传");
    EXPECT_FALSE(shown(card(), "scenarioNote"));
    EXPECT_EQ(find<ActionButton>("acceptSuggestion")->tint(), Kit::Tint::pink);
    EXPECT_EQ(find<ActionButton>("fileScenario")->tint(), Kit::Tint::pink);
}

TEST_F(Card, ReadingRowWhileThinkingAndNothingForAnUnknownKind)
{
    m_host->select(path("scan.pdf"), invoice());
    model().setThinking(true);
    m_host->settleView();
    EXPECT_TRUE(shown(card(), "readingRow"));
    EXPECT_FALSE(shown(card(), "scenarioCardBody"));
    EXPECT_EQ(labelText(card(), "readingText"), "AI 正在读这个文件…");

    ScenarioMatch unknown = invoice();
    unknown.kind = ScenarioKind::unknown;
    model().setThinking(false);
    model().setMatch(unknown);
    m_host->settleView();
    EXPECT_FALSE(card()->isVisibleTo(&m_host->window));
    EXPECT_EQ(m_sink.take(1), QStringList{"rename_offered:invoice"}); // only the first, invoice
}

TEST_F(Card, AcceptRenamesWithTheSuggestionAndReportsOfferAndAcceptance)
{
    m_host->select(path("scan.pdf"), invoice());
    EXPECT_EQ(labelText(card(), "suggestedName"), "建议命名：" + suggestion);
    EXPECT_EQ(m_sink.take(1), QStringList{"rename_offered:invoice"});
    EXPECT_EQ(model().offeredRenameKind(), "invoice");
    EXPECT_EQ(model().offeredRenameURL(), path("scan.pdf"));

    m_host->state.scenarioCache().insert(path(suggestion), ScenarioMatch{}); // nothing to offer there
    click("acceptSuggestion");
    ASSERT_TRUE(waitFor([&] { return !m_host->state.undoStack().isEmpty(); })); // the rename's end
    EXPECT_TRUE(QFileInfo::exists(path(suggestion)));
    EXPECT_FALSE(QFileInfo::exists(path("scan.pdf")));
    EXPECT_TRUE(Defaults::shared().boolValue(QStringLiteral("hasAcceptedRename")));
    EXPECT_FALSE(model().offeredRenameKind().has_value());
    EXPECT_TRUE(model().offeredRenameURL().isEmpty());
    waitFor([&] { return model().item() && model().item()->name == suggestion && !model().thinking(); });
    EXPECT_EQ(m_sink.take(1, 400), QStringList{"rename_accepted:invoice"});
}

TEST_F(Card, TheEditorsAnswersAndTheirEvents)
{
    const struct
    {
        QString typed;
        QString event;
        QString finalName; // on disk
    } cases[] = {
        {suggestion, "rename_accepted:invoice", suggestion},
        {"2024-03-01_acme_发票.pdf", "rename_edited:invoice:1", "2024-03-01_acme_发票.pdf"},
        {"2024-03-01_Acme_发票xyz.pdf", "rename_edited:invoice:1", "2024-03-01_Acme_发票xyz.pdf"},
        {"2024-03-01_Acme_发票wxyz.pdf", "rename_edited:invoice:2", "2024-03-01_Acme_发票wxyz.pdf"},
        {"2024-03-01_Acme_发票abcdefghij.pdf", "rename_edited:invoice:2", "2024-03-01_Acme_发票abcdefghij.pdf"},
        {"2024-03-01_Acme_发票abcdefghijk.pdf", "rename_edited:invoice:3", "2024-03-01_Acme_发票abcdefghijk.pdf"},
        // Padded: applied trimmed, inner spaces kept, measured on the trimmed text (2).
        {"  2024-03-01 Acme_发票.pdf  ", "rename_edited:invoice:1", "2024-03-01 Acme_发票.pdf"},
    };
    int index = 0;
    for (const auto &c : cases) {
        const QString file = path(QStringLiteral("case%1.pdf").arg(++index));
        m_host->add(file);
        m_host->select(file, invoice());
        ASSERT_EQ(m_sink.take(1), QStringList{"rename_offered:invoice"}) << c.typed.toStdString();
        m_host->state.scenarioCache().insert(path(c.finalName), ScenarioMatch{});
        typeIntoEditor(c.typed);
        const qsizetype steps = m_host->state.undoStack().size();
        QTest::keyClick(find<QLineEdit>("suggestedEdit"), Qt::Key_Return);
        ASSERT_TRUE(waitFor([&] { return m_host->state.undoStack().size() > steps; })) << c.typed.toStdString();
        m_host->settleView();
        EXPECT_TRUE(QFileInfo::exists(path(c.finalName))) << c.typed.toStdString();
        EXPECT_FALSE(QFileInfo::exists(file));
        EXPECT_EQ(m_sink.take(1), QStringList{c.event}) << c.typed.toStdString();
        EXPECT_FALSE(model().editingSuggested());
        // Leave the name free for the next case.
        QFile::remove(path(c.finalName));
    }
}

TEST_F(Card, ABlankNameWarnsAndChangesNothing)
{
    m_host->select(path("scan.pdf"), invoice());
    typeIntoEditor(QStringLiteral("   "));
    click("editorApply");
    EXPECT_TRUE(shown(card(), "suggestedEditWarning"));
    EXPECT_EQ(labelText(card(), "suggestedEditWarning"), "名字不能为空");
    EXPECT_EQ(find<QLineEdit>("suggestedEdit")->text(), suggestion);
    EXPECT_TRUE(shown(card(), "scenarioEditor"));
    EXPECT_TRUE(QFileInfo::exists(path("scan.pdf")));
    EXPECT_FALSE(Defaults::shared().boolValue(QStringLiteral("hasAcceptedRename")));
    EXPECT_EQ(m_sink.take(1), QStringList{"rename_offered:invoice"});
    // The warning stays while typing, until Cancel closes the editor.
    QTest::keyClicks(find<QLineEdit>("suggestedEdit"), "x");
    m_host->settleView();
    EXPECT_TRUE(shown(card(), "suggestedEditWarning"));
    click("editorCancel");
    EXPECT_FALSE(shown(card(), "suggestedEditWarning"));
}

TEST_F(Card, SkipAndCancelAnswerTheOfferOnce)
{
    m_host->select(path("scan.pdf"), invoice());
    EXPECT_EQ(m_sink.take(1), QStringList{"rename_offered:invoice"});
    // Skip: one rejection, the offer stays and can still be accepted.
    click("skipSuggestion");
    EXPECT_EQ(m_sink.take(1), QStringList{"rename_rejected:invoice"});
    EXPECT_TRUE(shown(card(), "scenarioOffer"));
    EXPECT_TRUE(model().offeredRenameURL().isEmpty());
    // Another file afterwards: nothing more, the offer was answered.
    m_host->select(path("notes.txt"), std::nullopt);
    EXPECT_EQ(m_sink.take(0, 300), QStringList{});

    // Back to the first: offered again; cancel from the editor rejects, and the offer
    // comes back into view, reported and noted anew.
    m_host->select(path("scan.pdf"));
    EXPECT_EQ(m_sink.take(1), QStringList{"rename_offered:invoice"});
    click("editSuggestion");
    EXPECT_TRUE(shown(card(), "scenarioEditor"));
    EXPECT_EQ(m_sink.take(0, 100), QStringList{});
    click("editorCancel");
    QStringList events = m_sink.take(2);
    events.sort();
    EXPECT_EQ(events, (QStringList{"rename_offered:invoice", "rename_rejected:invoice"}));
    EXPECT_EQ(model().offeredRenameURL(), path("scan.pdf")); // noted after the rejection cleared it
    EXPECT_TRUE(shown(card(), "scenarioOffer"));

    // Skip, then accept: the acceptance still counts.
    click("skipSuggestion");
    m_host->state.scenarioCache().insert(path(suggestion), ScenarioMatch{});
    click("acceptSuggestion");
    EXPECT_EQ(m_sink.take(2), (QStringList{"rename_rejected:invoice", "rename_accepted:invoice"}));
    EXPECT_TRUE(QFileInfo::exists(path(suggestion)));
}

TEST_F(Card, AnOfferIsReportedWhenItComesIntoViewNotOnEveryUpdate)
{
    ScopedLanguage language(QStringLiteral("zh-Hans"));
    m_host->select(path("scan.pdf"), invoice());
    EXPECT_EQ(m_sink.take(1), QStringList{"rename_offered:invoice"});
    for (int i = 0; i < 20; ++i) {
        switch (i % 5) {
        case 0: model().setNaming(i % 2 == 0); break;
        case 1: m_host->state.setStatus(QStringLiteral("status %1").arg(i)); break;
        case 2: NamingTemplate().persist(); break; // same template, written again
        case 3: {
            ScenarioMatch match = invoice();
            match.note = QStringLiteral("note %1").arg(i);
            model().setMatch(match);
            break;
        }
        case 4: card()->setItem(*model().item()); break;
        }
        m_host->settleView();
    }
    language.set(QStringLiteral("en"));
    m_host->settleView();
    language.set(QStringLiteral("zh-Hans"));
    m_host->settleView();
    EXPECT_EQ(m_sink.take(0, 300), QStringList{});

    // A name that is already right is never offered.
    ScenarioMatch right = invoice();
    right.base = QStringLiteral("other");
    right.datePrefix.clear();
    m_host->select(path("other.pdf"), right);
    EXPECT_TRUE(shown(card(), "scenarioAlreadyRight"));
    EXPECT_EQ(labelText(card(), "scenarioAlreadyRightText"), "已是这个名字");
    EXPECT_FALSE(shown(card(), "scenarioOffer"));
    // Leaving scan.pdf with its offer unanswered is the pane's rejection, not the card's.
    EXPECT_EQ(m_sink.take(1, 300), QStringList{"rename_rejected:invoice"});
}

TEST_F(Card, TypingKeepsFocusAndCursorAcrossModelUpdates)
{
    m_host->select(path("scan.pdf"), invoice());
    m_host->window.activateWindow();
    QApplication::setActiveWindow(&m_host->window);
    click("editSuggestion");
    auto *edit = find<QLineEdit>("suggestedEdit");
    edit->setFocus();
    edit->setCursorPosition(4);
    QTest::keyClicks(edit, "ab");
    EXPECT_EQ(edit->cursorPosition(), 6);
    ScenarioMatch match = invoice();
    match.note = QStringLiteral("a new note");
    model().setMatch(match);
    model().setApps({});
    m_host->settleView();
    EXPECT_EQ(find<QLineEdit>("suggestedEdit"), edit);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->cursorPosition(), 6);
    EXPECT_EQ(edit->text(), "2024ab-03-01_Acme_发票.pdf");
    EXPECT_EQ(model().suggestedEdit(), edit->text());
}

TEST_F(Card, FilingUsesTheSuggestedNameByRenameReadyAlone)
{
    const struct
    {
        QString file;
        bool renameReady;
        QString label;
        QString filedAs;
    } cases[] = {
        {"scan.pdf", true, "改名并归入「发票」", suggestion},
        {"other.pdf", false, "归入「发票」", "other.pdf"},
    };
    for (const auto &c : cases) {
        m_host->select(path(c.file), invoice(c.renameReady));
        EXPECT_EQ(labelText(card(), "fileScenario"), c.label);
        if (c.renameReady)
            typeIntoEditor(QStringLiteral("never-used.pdf")); // the editor's text is not for filing
        click("fileScenario");
        EXPECT_TRUE(waitFor([&] { return QFileInfo::exists(path("发票/" + c.filedAs)); })) << c.file.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path(c.file)));
    }
    // Already right: the renaming label, and the current name.
    QFile::remove(path("发票/" + suggestion));
    const QString right = path(suggestion);
    m_host->add(right);
    m_host->select(right, invoice());
    EXPECT_TRUE(shown(card(), "scenarioAlreadyRight"));
    EXPECT_EQ(labelText(card(), "fileScenario"), "改名并归入「发票」");
    click("fileScenario");
    EXPECT_TRUE(waitFor([&] { return QFileInfo::exists(path("发票/" + suggestion)); }));
    const QStringList events = m_sink.take(0, 300);
    EXPECT_FALSE(events.contains("rename_accepted:invoice"));
    EXPECT_FALSE(events.contains("rename_edited:invoice:1"));
}
