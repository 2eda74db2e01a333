// States of the settings window: each tab as the window shows it, and whole pages (taller
// than the window) in their busier states: folders, a scan under way, a failed clear, a
// connected and an absent Ollama server, a running and a failed model download, and
// authorised workspaces with an error.
#include "CollaborationStore.h"
#include "ContentIndex.h"
#include "Defaults.h"
#include "LocalLLM.h"
#include "Localization.h"
#include "MarovelPaths.h"
#include "ModelDownload.h"
#include "NamingTemplate.h"
#include "Namer.h"
#include "Shots.h"
#include "Store.h"
#include "WatchAgent.h"
#include "Workspace.h"
#include "settings/AICollaborationSettings.h"
#include "settings/AISettings.h"
#include "settings/GeneralSettings.h"
#include "settings/OllamaProbe.h"
#include "settings/SettingsWindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSemaphore>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

namespace Shots {

namespace {

// A loopback server on the GUI thread: "/api/tags" lists three models; anything else is
// half a large file and then nothing (a download that stays under way).
class LocalServer : public QTcpServer
{
public:
    LocalServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] { answer(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }

private:
    static void answer(QTcpSocket *socket)
    {
        const QByteArray request = socket->readAll();
        if (request.startsWith("GET /api/tags")) {
            const QByteArray body = R"({"models":[{"name":"llama3.1:8b"},{"name":"qwen2.5:14b"}]})";
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
                          + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
            return;
        }
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 2000000\r\n\r\n");
        socket->write(QByteArray(1000000, 'x'));
    }
};

// The settings that earlier states may have left behind.
void resetSettings()
{
    for (const char *key : {"showAICollaboration", "agentEnabled", "menuBarAgentVisible", "watchedFolderPaths",
                            "optInEnabled", "optInEmail", "contentIndexEnabled", "contentIndexPaths",
                            "preferredModel", "launchRestore", "preReadEnabled"})
        Defaults::shared().remove(QString::fromLatin1(key));
}

// Where the settings states keep their folders and databases: beside the fixture folder,
// whose listing the window pictures show.
QString settingsRoot(const Context &context)
{
    const QString root = QDir::cleanPath(context.fixture + QStringLiteral("/../settings"));
    QDir().mkpath(root);
    return root;
}

QString folder(const Context &context, const QString &name)
{
    const QString path = settingsRoot(context) + u'/' + name;
    QDir().mkpath(path);
    return path;
}

// What a state's pages act on: objects of its own, freed after the window.
struct Holder
{
    struct Options
    {
        bool tray = true;
        bool heldScan = false;
        QString databasePath;
        int watchLimit = 0; // 0: the system's
    };

    Holder(const Context &context, const Options &options)
        : index(std::make_unique<ContentIndex>(indexConfig(context, options)))
    {
        services.store = &store;
        services.agent = &agent;
        services.contentIndex = index.get();
        services.naming = &naming;
        services.collaboration = &collaboration;
        services.chooseFolder = [](QWidget *, const QString &) { return std::optional<QString>(); };
        services.openUrl = [](const QUrl &) {};
        services.setTrayItemVisible = [](bool) {};
        services.trayAvailable = [tray = options.tray] { return tray; };
        services.mcpCommand = McpClientConfig::locate();
    }

    ~Holder()
    {
        gate->release(1000); // a held scan ends
        index.reset();
        if (!modelFile.isEmpty())
            QFile::remove(modelFile);
        if (downloadStarted) {
            ModelDownload::shared().cancel();
            ModelDownload::setDefaultFile(previousDownload);
        }
    }

    ContentIndexConfig indexConfig(const Context &context, const Options &options)
    {
        static int serial = 0;
        ContentIndexConfig config;
        config.databasePath = options.databasePath.isEmpty()
                                  ? QStringLiteral("%1/index-%2.sqlite").arg(settingsRoot(context)).arg(++serial)
                                  : options.databasePath;
        config.watchLimit = options.watchLimit;
        if (options.heldScan) {
            config.extract = [gate = gate](const QString &) {
                gate->acquire();
                gate->release();
                return Extraction{QStringLiteral("text"), QStringLiteral("text")};
            };
        } else {
            config.extract = [](const QString &) { return Extraction{QStringLiteral("text"), QStringLiteral("text")}; };
        }
        return config;
    }

    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>(0);
    Store store;
    NamingStore naming;
    CollaborationStore collaboration;
    WatchAgent agent;
    std::unique_ptr<ContentIndex> index;
    SettingsServices services;
    std::unique_ptr<LocalServer> server;
    QString modelFile;
    bool downloadStarted = false;
    ModelDownload::ModelFile previousDownload;
};

// The settings window on one tab.
class WindowShot : private std::unique_ptr<Holder>, public SettingsWindow
{
public:
    WindowShot(std::unique_ptr<Holder> holder, int tab)
        : std::unique_ptr<Holder>(std::move(holder)), SettingsWindow(get()->services)
    {
        tabs()->setCurrentIndex(tab);
    }
    Holder &holder() { return *get(); }
};

// A whole page at its full height, as if the window were tall enough.
class PageShot : private std::unique_ptr<Holder>, public QWidget
{
public:
    PageShot(std::unique_ptr<Holder> holder, const std::function<QScrollArea *(Holder &)> &make)
        : std::unique_ptr<Holder>(std::move(holder))
    {
        setAutoFillBackground(true);
        m_page = make(*get());
        m_page->setParent(this);
        m_page->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_page);
    }
    ~PageShot() override { delete m_page; }

    QSize sizeHint() const override { return {SettingsWindow::fixedSize.width(), m_page->widget()->sizeHint().height()}; }
    Holder &holder() { return *get(); }
    QScrollArea *page() const { return m_page; }

private:
    QScrollArea *m_page;
};

std::unique_ptr<Holder> holder(const Context &context, Holder::Options options = {})
{
    resetSettings();
    ModelDownload::shared().cancel();
    return std::make_unique<Holder>(context, options);
}

Shot windowShot(const QString &state, int tab, const std::function<void(const Context &)> &prepare = {})
{
    return {QStringLiteral("settings"), state,
            [tab, prepare](const Context &context) -> QWidget * {
                auto h = holder(context);
                if (prepare)
                    prepare(context);
                return new WindowShot(std::move(h), tab);
            },
            {},
            SettingsWindow::fixedSize};
}

template <typename T>
T *find(QWidget *root, const char *name)
{
    return root->findChild<T *>(QString::fromLatin1(name));
}

void openAdvanced(QWidget *page)
{
    if (auto *disclosure = find<QToolButton>(page, "advancedDisclosure"))
        disclosure->click();
}

// Once a whole-page state is ready, the picture takes the page's height at that moment.
bool fitted(QWidget *widget, bool ready)
{
    if (ready) {
        QCoreApplication::processEvents();
        widget->resize(widget->width(), widget->sizeHint().height());
        QCoreApplication::processEvents();
    }
    return ready;
}

// The General page with its lists filled: folders watched, the index on over two folders,
// no system tray, the opt-in with an address, the collaboration tab on.
Shot generalFull()
{
    return {QStringLiteral("settings"), QStringLiteral("general-full"),
            [](const Context &context) -> QWidget * {
                auto h = holder(context, {.tray = false, .heldScan = false, .databasePath = {}});
                const QString inbox = folder(context, QStringLiteral("Inbox"));
                const QString scans = folder(context, QStringLiteral(
                    "Scanned letters from the accountant and the bank, sorted by year and quarter"));
                Defaults::shared().setValue(QStringLiteral("watchedFolderPaths"), QStringList{inbox, scans});
                Defaults::shared().setValue(QStringLiteral("agentEnabled"), true);
                Defaults::shared().setValue(QStringLiteral("optInEnabled"), true);
                Defaults::shared().setValue(QStringLiteral("optInEmail"), QStringLiteral("reader@example.org"));
                Defaults::shared().setValue(QStringLiteral("showAICollaboration"), true);
                h->index->setEnabled(true);
                h->index->addRoot(folder(context, QStringLiteral("Documents")));
                h->index->addRoot(context.fixture);
                return new PageShot(std::move(h), [](Holder &h) { return new GeneralSettings(h.services); });
            },
            [](QWidget *widget) {
                auto *shot = static_cast<PageShot *>(widget);
                return fitted(widget, !shot->holder().index->isIndexing() && shot->holder().index->indexedCount() > 0);
            },
            {SettingsWindow::fixedSize.width(), 0}};
}

// The window scrolled to the content index while a scan is held half-way.
Shot generalScanning()
{
    return {QStringLiteral("settings"), QStringLiteral("general-scanning"),
            [](const Context &context) -> QWidget * {
                auto h = holder(context, {.tray = true, .heldScan = true, .databasePath = {}});
                h->index->setEnabled(true);
                h->index->addRoot(context.fixture);
                auto *shot = new WindowShot(std::move(h), 0);
                return shot;
            },
            [](QWidget *widget) {
                auto *shot = static_cast<WindowShot *>(widget);
                if (!shot->holder().index->isIndexing())
                    return false;
                auto *page = find<QScrollArea>(widget, "generalSettings");
                if (QWidget *rows = find<QWidget>(widget, "contentIndexDetails"))
                    page->ensureWidgetVisible(rows, 0, 160);
                return true;
            },
            SettingsWindow::fixedSize};
}

// The window scrolled to the clear button after clearing failed with the index off.
Shot generalClearFailed()
{
    return {QStringLiteral("settings"), QStringLiteral("general-clear-failed"),
            [](const Context &context) -> QWidget * {
                const QString blocked = settingsRoot(context) + QStringLiteral("/blocked");
                QFile file(blocked);
                if (!file.exists() && file.open(QIODevice::WriteOnly))
                    file.write("x");
                auto h = holder(context, {.tray = true, .heldScan = false, .databasePath = blocked + QStringLiteral("/index.sqlite")});
                h->index->clearStoredData();
                return new WindowShot(std::move(h), 0);
            },
            [](QWidget *widget) {
                auto *error = find<QLabel>(widget, "clearError");
                if (!error || !error->isVisible())
                    return false;
                find<QScrollArea>(widget, "generalSettings")->ensureWidgetVisible(error, 0, 120);
                return true;
            },
            SettingsWindow::fixedSize};
}

// The window scrolled to the note that some folders below the index's roots are not
// watched: the watcher reached its limit.
Shot generalUnwatched()
{
    return {QStringLiteral("settings"), QStringLiteral("general-unwatched"),
            [](const Context &context) -> QWidget * {
                const QString documents = folder(context, QStringLiteral("Documents"));
                QDir().mkpath(documents + QStringLiteral("/Letters from the bank"));
                auto h = holder(context, {.tray = true, .heldScan = false, .databasePath = {}, .watchLimit = 1});
                h->index->setEnabled(true);
                h->index->addRoot(documents);
                return new WindowShot(std::move(h), 0);
            },
            [](QWidget *widget) {
                auto *note = find<QLabel>(widget, "indexWatchLimit");
                if (!note || !note->isVisible())
                    return false;
                find<QScrollArea>(widget, "generalSettings")->ensureWidgetVisible(note, 0, 120);
                return true;
            },
            SettingsWindow::fixedSize};
}

// The AI page at full height, advanced area open.
Shot aiPage(const QString &state, const std::function<void(Holder &, const Context &)> &prepare,
            const std::function<bool(AISettings *)> &ready)
{
    return {QStringLiteral("settings"), state,
            [prepare](const Context &context) -> QWidget * {
                auto h = holder(context);
                prepare(*h, context);
                auto *shot = new PageShot(std::move(h), [](Holder &) { return new AISettings; });
                openAdvanced(shot->page());
                return shot;
            },
            [ready](QWidget *widget) {
                return fitted(widget, ready(static_cast<AISettings *>(static_cast<PageShot *>(widget)->page())));
            },
            {SettingsWindow::fixedSize.width(), 0}};
}

bool answered(AISettings *page)
{
    return page->probe().up().has_value();
}

QList<Shot> aiShots()
{
    return {
        // Nothing listens and the download failed: "未检测到" and the retry rows.
        aiPage(QStringLiteral("ai-failed"),
               [](Holder &, const Context &) { ModelDownload::shared().start(); },
               [](AISettings *page) {
                   return answered(page) && ModelDownload::shared().state().kind == ModelDownload::State::Kind::failed;
               }),
        // A server that lists models, and a smaller local model that could be upgraded.
        aiPage(QStringLiteral("ai-connected"),
               [](Holder &h, const Context &) {
                   h.server = std::make_unique<LocalServer>();
                   Defaults::shared().setValue(Namer::endpointKey, h.server->base());
                   h.modelFile = LocalLLM::modelsFolder() + u'/' + LocalLLM::fileQwen3;
                   QDir().mkpath(LocalLLM::modelsFolder());
                   QFile file(h.modelFile);
                   if (file.open(QIODevice::WriteOnly))
                       file.write("gguf");
               },
               [](AISettings *page) {
                   auto *picker = find<QComboBox>(page, "modelPicker");
                   return answered(page) && picker && picker->count() == 3;
               }),
        // The model downloading from a mirror that stays half-way.
        aiPage(QStringLiteral("ai-downloading"),
               [](Holder &h, const Context &) {
                   h.server = std::make_unique<LocalServer>();
                   h.previousDownload = ModelDownload::defaultFile();
                   ModelDownload::ModelFile file = h.previousDownload;
                   file.urls = {h.server->base() + QStringLiteral("/model.gguf")};
                   ModelDownload::setDefaultFile(file);
                   h.downloadStarted = true;
                   ModelDownload::shared().start();
               },
               [](AISettings *page) {
                   const ModelDownload::State state = ModelDownload::shared().state();
                   return answered(page) && state.kind == ModelDownload::State::Kind::downloading && state.fraction > 0.4;
               }),
    };
}

// The AI collaboration page at full height: workspaces (a long name, one that looks like
// markup), the store's error, an unreadable journal record and the copied note.
Shot collaborationFull()
{
    return {QStringLiteral("settings"), QStringLiteral("collaboration-full"),
            [](const Context &context) -> QWidget * {
                QFile::remove(MarovelPaths::roots());
                for (const QString &name : {QStringLiteral("Client projects"),
                                            QStringLiteral("Research notes and drafts for the annual report of the foundation"),
                                            QStringLiteral("<b>Shared & Co")}) {
                    try {
                        WorkspaceRegistry::shared().add(folder(context, name));
                    } catch (const std::exception &) {
                    }
                }
                QDir().mkpath(MarovelPaths::base());
                QFile journal(MarovelPaths::journal());
                if (journal.open(QIODevice::WriteOnly | QIODevice::Truncate))
                    journal.write("{\"id\":\"cut sho\n");
                auto h = holder(context);
                h->services.mcpCommand = {QStringLiteral("/usr/local/libexec/marovel/marovel-mcp"), false};
                auto *shot = new PageShot(std::move(h), [](Holder &h) {
                    return new AICollaborationSettings(h.collaboration, h.services.mcpCommand);
                });
                static_cast<AICollaborationSettings *>(shot->page())->copyConfiguration();
                return shot;
            },
            [](QWidget *widget) {
                auto *shot = static_cast<PageShot *>(widget);
                CollaborationStore &store = shot->holder().collaboration;
                if (store.isBusy() || store.workspaces().size() < 3 || store.tornRecords() < 1)
                    return false;
                if (store.lastError().isEmpty())
                    store.setLastError(L("未找到工作区：%@", QStringLiteral("Archive")));
                return fitted(widget, true);
            },
            {SettingsWindow::fixedSize.width(), 0}};
}

} // namespace

QList<Shot> settingsShots()
{
    QList<Shot> shots{
        windowShot(QStringLiteral("general"), 0),
        generalFull(),
        generalScanning(),
        generalClearFailed(),
        generalUnwatched(),
        windowShot(QStringLiteral("ai"), 1),
        windowShot(QStringLiteral("collaboration"), 2,
                   [](const Context &) {
                       QFile::remove(MarovelPaths::roots());
                       Defaults::shared().setValue(QStringLiteral("showAICollaboration"), true);
                   }),
        collaborationFull(),
        windowShot(QStringLiteral("explore"), 2),
        windowShot(QStringLiteral("about"), 3),
    };
    shots += aiShots();
    return shots;
}

} // namespace Shots
