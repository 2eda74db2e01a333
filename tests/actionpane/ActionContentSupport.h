#pragma once

#include "action/ActionButton.h"
#include "action/ActionPaneModel.h"
#include "kit/WrappingText.h"
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "LoopbackHttp.h"
#include "PaneState.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QString>
#include <QStringList>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <memory>

namespace ActionTest {

using namespace BrowserTest;
using TestSupport::writeFile;

// A loopback telemetry service that the process's events go to while it lives.
class TelemetrySink
{
public:
    TelemetrySink()
        : m_server(std::make_unique<Loopback::Server>(
              [](const Loopback::Request &) { return Loopback::Reply::json({}, 204); }))
    {
        qputenv("MAROVEL_TELEMETRY_URL", m_server->base().toUtf8());
    }
    ~TelemetrySink() { qputenv("MAROVEL_TELEMETRY_URL", ""); }

    // The events received since the last call, as "type:extra", or "type:extra:primary"
    // for an edited name, in arrival order (two events of one step may arrive in either
    // order: each is a request of its own). Waits for `atLeast` of them, then a moment
    // longer for any that should not come.
    QStringList take(int atLeast = 0, int settleMs = 200)
    {
        Loopback::waitFor([&] { return m_server->hits() >= m_taken + atLeast; }, 5000);
        QTest::qWait(settleMs);
        QStringList out;
        const QList<Loopback::Request> requests = m_server->requests();
        for (qsizetype i = m_taken; i < requests.size(); ++i) {
            const QJsonObject event = QJsonDocument::fromJson(requests.at(i).body)
                                          .object()[QStringLiteral("events")].toArray().at(0).toObject();
            const QString type = event[QStringLiteral("type")].toString();
            QString text = type + u':' + event[QStringLiteral("extra")].toString();
            if (type == u"rename_edited")
                text += u':' + QString::number(event[QStringLiteral("primary")].toInt());
            out << text;
        }
        m_taken = requests.size();
        return out;
    }

private:
    std::unique_ptr<Loopback::Server> m_server;
    qsizetype m_taken = 0;
};

// A window model on `folder` with a pane model and one piece of the pane's content in a
// column-wide host window, fed the selected item as the single-item view does.
template <typename View>
struct Host
{
    explicit Host(const QString &folder) : model(state)
    {
        state.activePane()->go(folder, false);
        settle();
        window.resize(360, 700);
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(16, 16, 16, 16);
        view = new View(model, &window);
        layout->addWidget(view);
        layout->addStretch(1);
        if constexpr (requires(View *v, FileItem i) { v->setItem(i); }) {
            QObject::connect(&model, &ActionPaneModel::selectionStateChanged, view, [this] {
                if (const std::optional<FileItem> item = model.item())
                    view->setItem(*item);
            });
        }
        window.show();
    }

    // Selects one file (its scenario taken from `match` when given) and waits until the
    // pane model has loaded it.
    void select(const QString &path, const std::optional<ScenarioMatch> &match = std::nullopt)
    {
        if (match)
            state.scenarioCache().insert(path, *match);
        state.activePane()->setSelection({path});
        waitFor([&] { return model.item() && model.item()->path == path && !model.thinking() && model.match(); });
        settleView();
    }

    // Writes a file into the shown folder and waits until the listing holds it.
    void add(const QString &path)
    {
        writeFile(path, "x");
        state.softRefresh();
        waitFor([&] {
            const QList<FileItem> &items = state.activePane()->items();
            return std::any_of(items.cbegin(), items.cend(), [&](const FileItem &item) { return item.path == path; });
        });
    }

    // Lets the coalesced updates of the view run.
    void settleView() const { QTest::qWait(20); }

    BrowserState state;
    ActionPaneModel model;
    QWidget window;
    View *view = nullptr;
};

// Types `text` into `widget` one character at a time, as a keyboard does (any script).
inline void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The text of a label, wrapping text or action button found by object name below `root`,
// or "<missing>".
inline QString labelText(const QWidget *root, const char *name)
{
    const QString objectName = QString::fromLatin1(name);
    if (const auto *label = root->findChild<QLabel *>(objectName))
        return label->text();
    if (const auto *text = root->findChild<Kit::WrappingText *>(objectName))
        return text->text();
    if (const auto *button = root->findChild<ActionButton *>(objectName))
        return button->label();
    return QStringLiteral("<missing>");
}

// Whether a widget found by object name is shown (false when missing).
inline bool shown(const QWidget *root, const char *name)
{
    const auto *widget = root->findChild<QWidget *>(QString::fromLatin1(name));
    return widget && widget->isVisibleTo(root->window());
}

} // namespace ActionTest
