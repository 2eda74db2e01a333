// The road of one request, end to end in the real main window: a folder authorised as a
// workspace holds an invoice PDF with a text layer, an image with text and a text file;
// selecting the PDF in the list shows what was recognised, the hero proposes a name,
// taking it renames the file on disk and records it in the undo log and the workspace's
// journal, and the window's Undo (Ctrl+Z) gives the name back. Real extraction and
// detection; no naming engine answers (no Ollama, no model file).
#include "BrowserState.h"
#include "Fixtures.h"
#include "Localization.h"
#include "LoopbackHttp.h"
#include "Defaults.h"
#include "MainWindow.h"
#include "MarovelCore.h"
#include "ModelDownload.h"
#include "Namer.h"
#include "PaneState.h"
#include "ScenarioMatch.h"
#include "TestSupport.h"
#include "UndoLog.h"
#include "UndoRecorder.h"
#include "Workspace.h"
#include "action/ActionButton.h"
#include "action/ActionPane.h"
#include "kit/Widgets.h"
#include "kit/WrappingText.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Loopback::waitFor;

QByteArray invoicePdf()
{
    Fixtures::PdfBuilder pdf;
    Fixtures::PdfBuilder::Page page;
    page.size = QSizeF(595, 842);
    page.lines = {"INVOICE", "Invoice Number: 5531", "Invoice Date: 03/05/2024",
                  "Bill To: Orchid Dental Group LLC", "Cleaning supplies  $310.00", "Total Due: $310.00",
                  "Payable within 30 days."};
    pdf.addPage(page);
    return pdf.build();
}

QByteArray receiptPng()
{
    const QImage image = Fixtures::paintedText({"GREEN GROCER MARKET", "2024-03-05 14:22", "TOTAL 5.45"},
                                               QStringLiteral("Noto Sans CJK SC"), 30, QSize(600, 300));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The undo log's lines as (op, from, to).
QList<QStringList> undoLogLines()
{
    UndoRecorder::shared().flush();
    QFile file(UndoLog::shared().path());
    QList<QStringList> lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        lines << QStringList{o["op"].toString(), o["from"].toString(), o["to"].toString()};
    }
    return lines;
}

QList<Transaction> journal()
{
    UndoRecorder::shared().flush();
    return MarovelCore::history();
}

class Road : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        qputenv("MAROVEL_TELEMETRY_URL", m_telemetry.base().toUtf8());
        // The window's automatic model download goes nowhere; no engine can name files.
        ModelDownload::ModelFile file;
        file.urls = {QStringLiteral("http://127.0.0.1:9/model.gguf")};
        file.sha256 = QString(64, u'0');
        file.targetPath = TestSupport::root() + QStringLiteral("/models/none.gguf");
        ModelDownload::setDefaultFile(file);
        Namer::recordProbe(false);
        // A user past the first-run onboarding: its sheet would take the keyboard.
        Defaults::shared().setValue(QStringLiteral("onboardingCompleted"), true);

        m_folder = TestSupport::makeFolder(QStringLiteral("road"));
        TestSupport::writeFile(m_folder + "/invoice.pdf", invoicePdf());
        TestSupport::writeFile(m_folder + "/receipt.png", receiptPng());
        TestSupport::writeFile(m_folder + "/notes.txt", "Shopping list\nmilk\nbread\n");
        m_workspace = WorkspaceRegistry::shared().add(m_folder);

        m_window = MainWindow::openNew();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window));
        m_window->state().activePane()->go(m_folder, true);
        ASSERT_TRUE(waitFor([&] { return m_window->state().activePane()->items().size() == 3; }));
    }

    void TearDown() override
    {
        delete m_window.data();
        qputenv("MAROVEL_TELEMETRY_URL", "");
        Loc::shared().setOverride(std::nullopt);
    }

    template <typename T = QWidget>
    T *find(const char *name) const
    {
        return m_window->findChild<T *>(QString::fromLatin1(name));
    }
    bool visible(const char *name) const
    {
        const QWidget *widget = find(name);
        return widget && widget->isVisible();
    }
    QString path(const QString &name) const { return m_folder + u'/' + name; }

    // Clicks the row of `name` in the list, as the user selects a file.
    void clickRow(const QString &name) const
    {
        auto *list = find<QAbstractItemView>("paneList");
        ASSERT_TRUE(list);
        QModelIndexList found;
        // The list's rows may land a moment after the pane's listing.
        waitFor([&] {
            found = list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
            return found.size() == 1;
        });
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        list->scrollTo(found.first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(found.first()).center());
        ASSERT_TRUE(waitFor([&] { return m_window->state().previewURL() == path(name); }));
    }

    // Waits for the scenario card of the selected PDF to show the invoice kind.
    void expectInvoiceCard() const
    {
        ASSERT_TRUE(waitFor([&] { return visible("scenarioCardBody"); }, 30000)) << "no scenario card";
        EXPECT_EQ(find<QLabel>("scenarioKind")->text(), ScenarioKinds::label(ScenarioKind::invoice));
    }

    // Ctrl+Z in the window, until `name` is back.
    void undoWithCtrlZ(const QString &name) const
    {
        QTest::keyClick(find<QAbstractItemView>("paneList"), Qt::Key_Z, Qt::ControlModifier);
        ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(path(name)); })) << "Ctrl+Z did not give the name back";
    }

    QStringList renameEvents() const
    {
        QStringList out;
        for (const Loopback::Request &request : m_telemetry.requests()) {
            const QJsonObject event =
                QJsonDocument::fromJson(request.body).object()["events"].toArray().at(0).toObject();
            const QString type = event["type"].toString();
            if (type.startsWith(u"rename_"))
                out << type + u':' + event["extra"].toString()
                           + (type == u"rename_edited" ? u':' + QString::number(event["primary"].toInt()) : QString());
        }
        return out;
    }

    // The rename of `from` to `to` reached the undo log and, with bare names, the journal.
    void expectRecorded(const QString &from, const QString &to, qsizetype logBefore, qsizetype journalBefore) const
    {
        const QList<QStringList> log = undoLogLines();
        ASSERT_EQ(log.size(), logBefore + 1);
        EXPECT_EQ(log.last().at(1), path(from));
        EXPECT_EQ(log.last().at(2), path(to));
        const QList<Transaction> records = journal();
        ASSERT_EQ(records.size(), journalBefore + 1);
        const Transaction &record = records.last();
        EXPECT_EQ(record.workspaceID, m_workspace.id);
        EXPECT_EQ(record.status, "applied");
        ASSERT_EQ(record.operations.size(), 1);
        EXPECT_EQ(record.operations[0].kind, OpKind::Rename);
        EXPECT_EQ(record.operations[0].from, from);
        EXPECT_EQ(record.operations[0].to, to);
    }

    Loopback::Server m_telemetry{[](const Loopback::Request &) { return Loopback::Reply::json({}, 204); }};
    QString m_folder;
    Workspace m_workspace;
    QPointer<MainWindow> m_window;
};

} // namespace

TEST_F(Road, SelectProposeTakeRecordAndUndo)
{
    const qsizetype logBefore = undoLogLines().size();
    const qsizetype journalBefore = journal().size();

    ASSERT_NO_FATAL_FAILURE(clickRow(QStringLiteral("invoice.pdf")));
    ASSERT_NO_FATAL_FAILURE(expectInvoiceCard());

    // The hero asks for a name; the rules answer.
    auto *hero = find<ActionButton>("heroButton");
    ASSERT_TRUE(hero);
    hero->click();
    ASSERT_TRUE(waitFor([&] { return visible("applyProposal"); }, 30000)) << "no proposal";
    const QString proposed = find<Kit::WrappingText>("proposalNewName")->text();
    EXPECT_NE(proposed, "invoice.pdf");
    EXPECT_TRUE(proposed.endsWith(u".pdf")) << proposed.toStdString();
    find<ActionButton>("applyProposal")->click();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(path(proposed)); }));
    ASSERT_TRUE(waitFor([&] { return !m_window->state().undoStack().isEmpty(); })); // the rename's end
    EXPECT_FALSE(QFileInfo::exists(path("invoice.pdf")));
    EXPECT_EQ(m_window->state().activePane()->selection(), QSet<QString>{path(proposed)});
    ASSERT_NO_FATAL_FAILURE(expectRecorded("invoice.pdf", proposed, logBefore, journalBefore));

    ASSERT_NO_FATAL_FAILURE(undoWithCtrlZ(QStringLiteral("invoice.pdf")));
    EXPECT_FALSE(QFileInfo::exists(path(proposed)));
    const QList<Transaction> records = journal();
    ASSERT_EQ(records.size(), journalBefore + 1); // the record stays as it was
    EXPECT_EQ(records.last().status, "applied");
    EXPECT_EQ(undoLogLines().size(), logBefore + 1); // undoing writes no line
    // Taking the hero's proposal sends no answer of its own.
    for (const QString &event : renameEvents())
        EXPECT_TRUE(event.startsWith(u"rename_offered") || event.startsWith(u"rename_rejected")) << event.toStdString();
}

TEST_F(Road, AnEditedSuggestionFromTheScenarioCard)
{
    const qsizetype logBefore = undoLogLines().size();
    const qsizetype journalBefore = journal().size();

    ASSERT_NO_FATAL_FAILURE(clickRow(QStringLiteral("invoice.pdf")));
    ASSERT_NO_FATAL_FAILURE(expectInvoiceCard());
    ASSERT_TRUE(waitFor([&] { return visible("scenarioOffer"); })) << "the card offers no name";
    find<QAbstractButton>("editSuggestion")->click();
    auto *edit = find<QLineEdit>("suggestedEdit");
    ASSERT_TRUE(waitFor([&] { return edit->isVisible(); }));
    const QString suggested = edit->text();
    ASSERT_TRUE(suggested.endsWith(u".pdf")) << suggested.toStdString();
    const QString edited = suggested.chopped(4) + QStringLiteral("_paid.pdf");
    edit->setFocus();
    edit->end(false);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClicks(edit, QStringLiteral("_paid"));
    ASSERT_EQ(edit->text(), edited);
    QTest::keyClick(edit, Qt::Key_Return);

    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(path(edited)); }));
    ASSERT_TRUE(waitFor([&] { return !m_window->state().undoStack().isEmpty(); })); // the rename's end
    EXPECT_FALSE(QFileInfo::exists(path("invoice.pdf")));
    ASSERT_NO_FATAL_FAILURE(expectRecorded("invoice.pdf", edited, logBefore, journalBefore));
    ASSERT_TRUE(waitFor([&] { return renameEvents().size() >= 2; }));
    EXPECT_EQ(renameEvents().mid(0, 2), (QStringList{"rename_offered:invoice", "rename_edited:invoice:2"}));

    ASSERT_NO_FATAL_FAILURE(undoWithCtrlZ(QStringLiteral("invoice.pdf")));
    EXPECT_FALSE(QFileInfo::exists(path(edited)));
    EXPECT_EQ(journal().size(), journalBefore + 1);
    EXPECT_EQ(undoLogLines().size(), logBefore + 1);
}

// Renamed with the keyboard, the old name taken by a new file, Ctrl+Z: the status line says
// the item could not go back and why, both files stay, and the step is still there for a
// second Ctrl+Z once the name is free.
TEST_F(Road, AnUndoThatCannotGoBackSaysWhyAndCanBeTriedAgain)
{
    ASSERT_NO_FATAL_FAILURE(clickRow(QStringLiteral("notes.txt")));
    auto *list = find<QAbstractItemView>("paneList");
    QTest::keyClick(list, Qt::Key_F2);
    QLineEdit *editor = nullptr;
    ASSERT_TRUE(waitFor([&] { return (editor = list->findChild<QLineEdit *>()) && editor->isVisible(); }));
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("list.txt"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(path("list.txt")); }));
    ASSERT_TRUE(waitFor([&] { return !m_window->state().undoStack().isEmpty(); }));

    TestSupport::writeFile(path("notes.txt"), "someone else's notes");
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    auto *status = find<Kit::ElidingLabel>("statusText");
    ASSERT_TRUE(status);
    const QString stayed = L("%lld 项无法移回原处：%@", qint64(1), QString());
    ASSERT_TRUE(waitFor([&] { return status->isVisible() && status->text().startsWith(stayed); }))
        << status->text().toStdString();
    EXPECT_EQ(TestSupport::readFile(path("notes.txt")), "someone else's notes");
    EXPECT_TRUE(QFileInfo::exists(path("list.txt")));

    QFile::remove(path("notes.txt"));
    ASSERT_NO_FATAL_FAILURE(undoWithCtrlZ(QStringLiteral("notes.txt")));
    EXPECT_FALSE(QFileInfo::exists(path("list.txt")));
    ASSERT_TRUE(waitFor([&] { return status->text() == L("已撤销：%@", L("重命名")); })) << status->text().toStdString();
}
