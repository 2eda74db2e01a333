// States of the window's AI bar (idle, scanning, with proposals and an undo step), the
// sidebar with every section, and the go-to sheet.
#include "BrowserState.h"
#include "CollaborationStore.h"
#include "Localization.h"
#include "PaneState.h"
#include "Shots.h"
#include "Store.h"
#include "sheets/GoToSheet.h"
#include "sidebar/Sidebar.h"
#include "window/ContentView.h"

#include <QDir>
#include <QLineEdit>
#include <QVBoxLayout>

#include <functional>

namespace Shots {

namespace {

// A window's content with its own window model, deleted before the model. Its last
// touches are made once every pane is listed; `settled` then says when it is ready.
class BarWindow : public QWidget
{
public:
    using Step = std::function<void(BrowserState &, ContentView &)>;

    BarWindow(const QString &folder, Step afterListing, std::function<bool()> settled)
        : m_afterListing(std::move(afterListing)), m_settled(std::move(settled))
    {
        m_state.activePane()->go(folder, false);
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        m_view = new ContentView(m_state, this);
        column->addWidget(m_view);
    }
    ~BarWindow() override { delete m_view; }

    bool ready()
    {
        if (m_state.activePane()->items().isEmpty())
            return false;
        if (m_afterListing) {
            m_afterListing(m_state, *m_view);
            m_afterListing = nullptr;
        }
        return !m_settled || m_settled();
    }

private:
    BrowserState m_state;
    ContentView *m_view = nullptr;
    Step m_afterListing;
    std::function<bool()> m_settled;
};

Shot window(const QString &area, const QString &state, BarWindow::Step afterListing,
            std::function<bool()> settled = {})
{
    return {area, state,
            [afterListing, settled](const Context &context) -> QWidget * {
                return new BarWindow(context.fixture, afterListing, settled);
            },
            [](QWidget *widget) { return static_cast<BarWindow *>(widget)->ready(); }};
}

QString pathOf(BrowserState &state, const QString &name)
{
    return state.activePane()->current() + u'/' + name;
}

void propose(BrowserState &state)
{
    state.setSuggestion(pathOf(state, QStringLiteral("Invoice 2024-03-01.pdf")),
                        QStringLiteral("2024-03-01_Example Trading_发票_128.00EUR.pdf"));
    state.setSuggestion(pathOf(state, QStringLiteral("notes.txt")), QStringLiteral("Shopping list.txt"));
    state.setSuggestion(pathOf(state, QStringLiteral("会议纪要.txt")), QStringLiteral("2024-03-01_会议纪要.txt"));
    state.setAccept(pathOf(state, QStringLiteral("Invoice 2024-03-01.pdf")), true);
    state.setAccept(pathOf(state, QStringLiteral("notes.txt")), true);
    state.pushUndo(L("AI 改名"), OpKind::Rename, {}, Reversal::MoveBack, Recording::None);
}

// Everything the sidebar can list: favourites, a pin, recents, a workspace, a cloud
// drive, volumes and tags.
void fillSidebar(BrowserState &state, ContentView &view)
{
    const QString folder = state.activePane()->current();
    state.setFavorites({QDir::homePath(), folder});
    const QString pinned = folder + QStringLiteral("/a & b");
    if (!Store::shared().isPinned(pinned))
        Store::shared().togglePin(pinned);
    const QString recent = QDir::homePath() + QStringLiteral("/Projects");
    QDir().mkpath(recent);
    Store::shared().recordVisit(recent);
    if (CollaborationStore::shared().workspaces().isEmpty())
        CollaborationStore::shared().authorize(folder);
    state.setVolumes({{L("文件系统"), QStringLiteral("/"), false, false},
                      {QStringLiteral("USB Stick"), QStringLiteral("/media/usb"), true, true}});
    const QString drive = QDir::homePath() + QStringLiteral("/GoogleDrive-bob");
    if (auto *sidebar = view.findChild<Sidebar *>(QStringLiteral("sidebar")))
        sidebar->setCloudDriveSource([drive] { return QList<Volume>{{QString(), drive}}; });
    QList<FileItem> items = state.activePane()->items();
    int tagged = 0;
    const QStringList tags = {QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue")};
    for (FileItem &item : items) {
        if (!item.isDir && tagged < tags.size())
            item.tags << tags.at(tagged++);
    }
    state.activePane()->setItems(items);
    state.setTagFilter(QStringLiteral("Green"));
}

// The go-to sheet with a window model that lives as long as the sheet.
struct StateHolder
{
    BrowserState state;
};

class ShotGoTo : private StateHolder, public GoToSheet
{
public:
    explicit ShotGoTo(const QString &typed) : GoToSheet(state)
    {
        if (auto *field = findChild<QLineEdit *>(QStringLiteral("goToPath")))
            field->setText(typed);
    }
};

Shot goTo(const QString &state, const QString &typed)
{
    return {QStringLiteral("sheets"), state, [typed](const Context &) -> QWidget * { return new ShotGoTo(typed); },
            {}, {420, 0}};
}

} // namespace

QList<Shot> barShots()
{
    return {
        window(QStringLiteral("window"), QStringLiteral("aibar-idle"), [](BrowserState &, ContentView &) {}),
        window(QStringLiteral("window"), QStringLiteral("aibar-scanning"),
               [](BrowserState &state, ContentView &) {
                   state.activePane()->setSelection({pathOf(state, QStringLiteral("notes.txt")),
                                                     pathOf(state, QStringLiteral("photo.png"))});
                   state.setScanning(true);
                   state.setProgress(0.4);
               }),
        window(QStringLiteral("window"), QStringLiteral("aibar-suggestions-undo"),
               [](BrowserState &state, ContentView &) { propose(state); }),
        window(QStringLiteral("sidebar"), QStringLiteral("every-section"), fillSidebar,
               [] { return !CollaborationStore::shared().workspaces().isEmpty(); }),
        goTo(QStringLiteral("goto-empty"), {}),
        goTo(QStringLiteral("goto-typed"), QStringLiteral("~/Downloads")),
    };
}

} // namespace Shots
