// States of the action pane at the detail column's ideal width: the hint, a folder, a file
// with each form of the model setup card and with the engine line (its name too long for
// three lines), an archive's grid, and a file's open-with menu.
#include "BrowserState.h"
#include "PaneState.h"
#include "Shots.h"
#include "action/ActionPane.h"
#include "action/ActionPaneModel.h"
#include "action/ModelSetupCard.h"
#include "action/OpenWithButton.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QVBoxLayout>

#include <functional>

namespace Shots {

namespace {

using Kind = LocalBrain::Status::Kind;

constexpr QSize paneSize{360, 960};

// A second folder beside the fixture with an archive in it.
QString archiveFolder(const Context &context)
{
    const QString folder = QDir(context.fixture).absoluteFilePath(QStringLiteral("../action-archive"));
    QDir().mkpath(folder);
    QFile archive(folder + QStringLiteral("/logs.tar.gz"));
    if (!archive.exists() && archive.open(QIODevice::WriteOnly))
        archive.write(QByteArray(2048, '\0'));
    return folder;
}

// The action pane over its own window model, which lists `folder`, selects the item named
// `select` (none: nothing) and then makes its last touches.
class PaneShot : public QWidget
{
public:
    using Step = std::function<void(PaneShot &)>;

    PaneShot(const QString &folder, const QString &select, bool ollamaUp, Step afterLoad)
        : m_select(select), m_afterLoad(std::move(afterLoad))
    {
        setAutoFillBackground(true);
        m_state.setOllamaUp(ollamaUp);
        m_state.activePane()->go(folder, false);
        m_pane = new ActionPane(m_state, this);
        // Applications of a desktop without any installed: a fixed, telling list.
        m_pane->model().setAppsLookup([](const QString &) {
            return QList<OpenWithApp>{{QStringLiteral("text-editor.desktop"), QStringLiteral("Text Editor")},
                                      {QStringLiteral("notes.desktop"), QStringLiteral("Notes & Tasks")},
                                      {QStringLiteral("office.desktop"), QStringLiteral("Office Writer")}};
        });
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(m_pane);
    }
    ~PaneShot() override { delete m_pane; }

    ActionPane &pane() { return *m_pane; }
    BrowserState &state() { return m_state; }

    // True once the folder is listed, the item selected and its lookups done.
    bool ready()
    {
        PaneState *listed = m_state.activePane();
        if (listed->items().isEmpty())
            return false;
        if (!m_selected) {
            m_selected = true;
            for (const FileItem &item : listed->items()) {
                if (item.name == m_select)
                    listed->setSelection({item.path});
            }
            return false;
        }
        const ActionPaneModel &model = m_pane->model();
        const std::optional<FileItem> item = model.item();
        if (item && !item->isDir && (model.thinking() || !model.match()))
            return false;
        if (m_afterLoad) {
            m_afterLoad(*this);
            m_afterLoad = nullptr;
        }
        return true;
    }

private:
    BrowserState m_state;
    ActionPane *m_pane = nullptr;
    QString m_select;
    bool m_selected = false;
    Step m_afterLoad;
};

Shot paneShot(const QString &state, std::function<QString(const Context &)> folder, const QString &select,
              bool ollamaUp = false, PaneShot::Step afterLoad = {})
{
    return {QStringLiteral("action"), state,
            [folder, select, ollamaUp, afterLoad](const Context &context) -> QWidget * {
                return new PaneShot(folder(context), select, ollamaUp, afterLoad);
            },
            [](QWidget *widget) { return static_cast<PaneShot *>(widget)->ready(); }, paneSize};
}

QString fixture(const Context &context)
{
    return context.fixture;
}

// The file shot with the setup card in the given form.
Shot cardShot(const QString &state, const LocalBrain::Status &status)
{
    return paneShot(state, fixture, QStringLiteral("notes.txt"), false, [status](PaneShot &shot) {
        if (auto *card = shot.pane().findChild<ModelSetupCard *>(QStringLiteral("modelSetupCard")))
            card->apply(status);
    });
}

} // namespace

QList<Shot> actionShots()
{
    const QString longName = QStringLiteral(
        "Quarterly report of the regional office with every appendix and the signed minutes of the meeting.pdf");
    return {
        paneShot(QStringLiteral("hint"), fixture, {}),
        paneShot(QStringLiteral("folder"), fixture, QStringLiteral("a & b")),
        cardShot(QStringLiteral("file-not-ready"), {Kind::notReady, 0, false, {}}),
        cardShot(QStringLiteral("file-preparing"), {Kind::preparing, 0.426, false, {}}),
        cardShot(QStringLiteral("file-verifying"), {Kind::preparing, 0, true, {}}),
        cardShot(QStringLiteral("file-failed"),
                 {Kind::failed, 0, false, QStringLiteral("Host 127.0.0.1 refused the connection")}),
        paneShot(QStringLiteral("file-ready-long-name"), fixture, longName, true),
        paneShot(QStringLiteral("archive"), archiveFolder, QStringLiteral("logs.tar.gz"), true),
        paneShot(QStringLiteral("open-with-menu"), fixture, QStringLiteral("notes.txt"), true,
                 [](PaneShot &shot) {
                     auto *button = shot.pane().findChild<OpenWithButton *>(QStringLiteral("openWithButton"));
                     if (!button)
                         return;
                     QMenu *menu = button->appMenu();
                     const QPoint below = button->mapTo(&shot, QPoint(0, button->height() + 4));
                     menu->setParent(&shot, Qt::Widget);
                     menu->adjustSize();
                     menu->move(below.x() + 20, std::min(below.y(), shot.height() - menu->height() - 8));
                     menu->show();
                     menu->raise();
                 }),
    };
}

} // namespace Shots
