#include "ActionTestSupport.h"

#include "Telemetry.h"
#include "TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace ActionTest {

void installDesktopEntries()
{
    const QString apps = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/applications";
    QDir().mkpath(apps);
    const auto entry = [&](const QString &id, const QString &name, const QString &mime) {
        TestSupport::writeFile(apps + "/" + id, "[Desktop Entry]\nType=Application\nName=" + name.toUtf8() +
                                                    "\nExec=true %f\nMimeType=" + mime.toUtf8() + ";\n");
    };
    entry("viewer.desktop", "Picture Viewer", "image/png");
    entry("editor.desktop", "Text Editor", "text/plain");
    TestSupport::writeFile(apps + "/mimeinfo.cache",
                           "[MIME Cache]\nimage/png=viewer.desktop;\ntext/plain=editor.desktop;\n");
}

void enter(BrowserState &state, const QString &folder)
{
    PaneState *pane = state.activePane();
    bool listed = false;
    QObject::connect(pane, &PaneState::listed, pane, [&] { listed = true; }, Qt::SingleShotConnection);
    pane->go(folder, false);
    ASSERT_TRUE(waitFor([&] { return listed; }));
}

void select(BrowserState &state, const QStringList &paths)
{
    state.activePane()->setSelection(QSet<QString>(paths.cbegin(), paths.cend()));
}

void Gate::wait()
{
    QMutexLocker locker(&m_lock);
    while (!m_open)
        m_opened.wait(&m_lock);
}

void Gate::open()
{
    QMutexLocker locker(&m_lock);
    m_open = true;
    m_opened.wakeAll();
}

ActionPaneModel::AppsLookup CountingLookup::lookup() const
{
    return [shared = shared](const QString &path) {
        std::shared_ptr<Gate> gate;
        {
            QMutexLocker locker(&shared->lock);
            shared->asked << path;
            gate = shared->gates.value(path);
        }
        if (gate)
            gate->wait();
        return ActionPaneModel::lookUpApps(path);
    };
}

std::shared_ptr<Gate> CountingLookup::gate(const QString &path)
{
    QMutexLocker locker(&shared->lock);
    auto gate = std::make_shared<Gate>();
    shared->gates.insert(path, gate);
    return gate;
}

QStringList CountingLookup::asked() const
{
    QMutexLocker locker(&shared->lock);
    return shared->asked;
}

HeldScenario::HeldScenario(BrowserState &state, const QString &path)
{
    m_promise.reportStarted();
    state.scenarioInFlight().insert(path, m_promise.future());
}

void HeldScenario::finish(const ScenarioMatch &match)
{
    m_promise.reportResult(match);
    m_promise.reportFinished();
}

ScenarioMatch matchOf(ScenarioKind kind, const QString &base)
{
    ScenarioMatch match;
    match.kind = kind;
    match.base = base;
    return match;
}

TelemetrySink::TelemetrySink()
    : m_server([](const Loopback::Request &) { return Loopback::Reply::json({}, 204); })
{
    qputenv("MAROVEL_TELEMETRY_URL", m_server.base().toUtf8());
}

TelemetrySink::~TelemetrySink()
{
    qputenv("MAROVEL_TELEMETRY_URL", "");
}

QStringList TelemetrySink::extras(const QString &type) const
{
    QStringList found;
    for (const Loopback::Request &request : m_server.requests()) {
        const QJsonArray events = QJsonDocument::fromJson(request.body).object()["events"].toArray();
        for (const QJsonValue &event : events) {
            if (event["type"].toString() == type)
                found << event["extra"].toString();
        }
    }
    return found;
}

void TelemetrySink::settle()
{
    const QString marker = QStringLiteral("marker%1").arg(++m_markers);
    Telemetry::track(Telemetry::Event::undo(marker));
    ASSERT_TRUE(waitFor([&] { return extras(QStringLiteral("undo")).contains(marker); }));
    QTest::qWait(50);
}

} // namespace ActionTest
