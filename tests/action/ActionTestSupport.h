#pragma once

#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "LoopbackHttp.h"
#include "PaneState.h"
#include "ScenarioMatch.h"
#include "action/ActionPane.h"
#include "action/ActionPaneModel.h"

#include <QFutureInterface>
#include <QMutex>
#include <QSemaphore>
#include <QStringList>
#include <QWaitCondition>

#include <memory>

namespace ActionTest {

using BrowserTest::makeTree;
using Loopback::waitFor;

// Desktop entries in this process's XDG_DATA_HOME: "viewer.desktop" (Picture Viewer) for
// PNG images and "editor.desktop" (Text Editor) for plain text. Call before the first
// application lookup of the process.
void installDesktopEntries();

// Lists `folder` in the active pane of `state` and waits for the listing.
void enter(BrowserState &state, const QString &folder);
// Selects the given paths in the active pane.
void select(BrowserState &state, const QStringList &paths);

// A gate a worker waits at until the test opens it.
class Gate
{
public:
    void wait();
    void open();

private:
    QMutex m_lock;
    QWaitCondition m_opened;
    bool m_open = false;
};

// An application lookup that counts its calls and, for paths given a gate, waits at it.
struct CountingLookup
{
    struct Shared
    {
        QMutex lock;
        QStringList asked;
        QHash<QString, std::shared_ptr<Gate>> gates;
    };
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();

    ActionPaneModel::AppsLookup lookup() const;
    std::shared_ptr<Gate> gate(const QString &path);
    QStringList asked() const;
};

// A scenario detection the test finishes itself: the window's scenario(path) hands out its
// future while it is in flight.
class HeldScenario
{
public:
    HeldScenario(BrowserState &state, const QString &path);
    void finish(const ScenarioMatch &match);

private:
    QFutureInterface<ScenarioMatch> m_promise;
};

ScenarioMatch matchOf(ScenarioKind kind, const QString &base);

// A telemetry endpoint on loopback for the test's lifetime; counts events by type.
class TelemetrySink
{
public:
    TelemetrySink();
    ~TelemetrySink();
    // The kinds (`extra`) of the events of `type` received so far.
    QStringList extras(const QString &type) const;
    // Sends a marker event and waits until it has arrived, so that events sent before it
    // had their chance to arrive too.
    void settle();

private:
    Loopback::Server m_server;
    int m_markers = 0;
};

} // namespace ActionTest
