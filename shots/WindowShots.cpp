// States of the main window: its content on the fixture folder in each layout, with a
// typed filter, the inspector, a tag filter and a selection; and the model download
// banner on its own.
#include "BrowserState.h"
#include "Fixture.h"
#include "Localization.h"
#include "PaneState.h"
#include "Shots.h"
#include "window/ContentView.h"
#include "window/ModelDownloadBanner.h"

#include <QVBoxLayout>

#include <functional>

namespace Shots {

namespace {

using Kind = LocalBrain::Status::Kind;

// The banner across the width of a window, as it stands above the bars.
Shot banner(const QString &state, const LocalBrain::Status &status)
{
    return {QStringLiteral("window"), state,
            [status](const Context &) {
                auto *strip = new QWidget;
                strip->setAutoFillBackground(true);
                auto *layout = new QVBoxLayout(strip);
                layout->setContentsMargins(0, 0, 0, 0);
                auto *view = new ModelDownloadBanner(strip);
                view->apply(status);
                layout->addWidget(view);
                return strip;
            },
            {}, {1280, 0}};
}

// A window's content with its own window model, deleted before the model.
class ShotWindow : public QWidget
{
public:
    using Step = std::function<void(BrowserState &)>;

    ShotWindow(const QString &folder, PaneLayout layout, Step afterListing)
        : m_afterListing(std::move(afterListing))
    {
        m_state.setFavorites(Fixture::favorites());
        m_state.activePane()->go(folder, false);
        m_state.setLayout(layout);
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        m_view = new ContentView(m_state, this);
        column->addWidget(m_view);
    }
    ~ShotWindow() override { delete m_view; }

    // True once every pane is listed; the state's last touches are made then, once.
    bool ready()
    {
        for (PaneState *pane : m_state.panes()) {
            if (pane->items().isEmpty())
                return false;
        }
        if (m_afterListing) {
            m_afterListing(m_state);
            m_afterListing = nullptr;
        }
        return true;
    }

private:
    BrowserState m_state;
    ContentView *m_view = nullptr;
    Step m_afterListing;
};

Shot content(const QString &state, PaneLayout layout, ShotWindow::Step afterListing = {})
{
    return {QStringLiteral("window"), state,
            [layout, afterListing](const Context &context) -> QWidget * {
                return new ShotWindow(context.fixture, layout, afterListing);
            },
            [](QWidget *widget) { return static_cast<ShotWindow *>(widget)->ready(); }};
}

// Selects the first `count` files of the active pane.
void selectFiles(BrowserState &state, int count)
{
    QSet<QString> selection;
    for (const FileItem &item : state.activePane()->displayed()) {
        if (!item.isDir && selection.size() < count)
            selection.insert(item.path);
    }
    state.activePane()->setSelection(selection);
}

} // namespace

QList<Shot> windowShots()
{
    return {
        content(QStringLiteral("layout-single"), PaneLayout::Single,
                [](BrowserState &state) { selectFiles(state, 1); }),
        content(QStringLiteral("layout-dual"), PaneLayout::Dual),
        content(QStringLiteral("layout-tri"), PaneLayout::TriPin),
        content(QStringLiteral("layout-quad"), PaneLayout::Quad),
        content(QStringLiteral("filter-typed"), PaneLayout::Single,
                [](BrowserState &state) { state.setFilterText(QStringLiteral("re")); }),
        content(QStringLiteral("inspector-empty"), PaneLayout::Single,
                [](BrowserState &state) { state.setShowInspector(true); }),
        content(QStringLiteral("inspector-multi"), PaneLayout::Single,
                [](BrowserState &state) {
                    state.setShowInspector(true);
                    selectFiles(state, 3);
                }),
        // Two files carry a tag the sidebar filters by; one of them is selected.
        content(QStringLiteral("tag-and-selection"), PaneLayout::Single,
                [](BrowserState &state) {
                    QList<FileItem> items = state.activePane()->items();
                    int tagged = 0;
                    for (FileItem &item : items) {
                        if (!item.isDir && tagged < 2) {
                            item.tags << QStringLiteral("Red");
                            ++tagged;
                        }
                    }
                    state.activePane()->setItems(items);
                    state.setTagFilter(QStringLiteral("Red"));
                    state.setStatus(L("路径不存在或不是文件夹"));
                    selectFiles(state, 1);
                }),
        banner(QStringLiteral("banner-42"), {Kind::preparing, 0.425, false, {}}),
        banner(QStringLiteral("banner-verifying"), {Kind::preparing, 0, true, {}}),
        banner(QStringLiteral("banner-failed"),
               {Kind::failed, 0, false, QStringLiteral("Host 127.0.0.1 refused the connection")}),
    };
}

} // namespace Shots
