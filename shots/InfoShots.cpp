// States of the information page in the inspector (a file; a folder while its size is
// walked and when it is known) and of the connect-to-server and batch-rename sheets.
#include "BrowserState.h"
#include "Defaults.h"
#include "Fixture.h"
#include "Localization.h"
#include "ItemInfo.h"
#include "PaneState.h"
#include "Shots.h"
#include "FileTags.h"
#include "ThumbnailProvider.h"
#include "kit/SelectableText.h"
#include "kit/Thumb.h"
#include "sheets/BatchRenameSheet.h"
#include "sheets/ConnectSheet.h"
#include "window/ContentView.h"
#include "window/GetInfo.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QSemaphore>
#include <QThreadPool>
#include <QVBoxLayout>

#include <memory>

namespace Shots {

namespace {

// A window's content with the inspector open on one item of the fixture folder. With
// `holdWalks` the folder walks cannot start until the picture is taken, so the size
// reads "计算中…".
class InfoWindow : public QWidget
{
public:
    InfoWindow(const QString &folder, const QString &selected, bool holdWalks) : m_selected(selected)
    {
        if (holdWalks) {
            m_hold = std::make_shared<QSemaphore>();
            QThreadPool &pool = ItemInfo::walkPool();
            for (int i = 0; i < pool.maxThreadCount(); ++i)
                pool.start([hold = m_hold] { hold->acquire(); });
        }
        m_state.setFavorites(Fixture::favorites());
        m_state.activePane()->go(folder, false);
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        m_view = new ContentView(m_state, this);
        column->addWidget(m_view);
    }
    ~InfoWindow() override
    {
        delete m_view; // stops its walk
        if (m_hold)
            m_hold->release(ItemInfo::walkPool().maxThreadCount());
    }

    // True once the page shows `size` (or, for an empty `size`, any finished size).
    bool ready(const QString &size)
    {
        if (m_state.activePane()->items().isEmpty())
            return false;
        if (!m_selecting) {
            m_selecting = true;
            m_state.setShowInspector(true);
            m_state.activePane()->setSelection({m_selected});
        }
        auto *page = m_view->findChild<GetInfo *>(QStringLiteral("getInfo"));
        if (!page)
            return false;
        const QString shown = page->findChild<Kit::SelectableText *>(QStringLiteral("infoSize"))->text();
        if (!size.isEmpty())
            return shown == size;
        const auto *thumb = page->findChild<Thumb *>(QStringLiteral("infoThumb"));
        const bool pictured = thumb->isDir() || !ThumbnailProvider::hasThumbnailExtension(thumb->path())
                              || !thumb->image().isNull();
        return pictured && shown != QStringLiteral("—") && shown != L("计算中…");
    }

private:
    BrowserState m_state;
    ContentView *m_view = nullptr;
    QString m_selected;
    bool m_selecting = false;
    std::shared_ptr<QSemaphore> m_hold;
};

// `name` in the fixture folder, or in its folder "a & b" with `inner`.
Shot info(const QString &state, const QString &name, bool holdWalks, bool inner = false)
{
    return {QStringLiteral("inspector"), state,
            [name, holdWalks, inner](const Context &context) -> QWidget * {
                const QString folder = context.fixture + QStringLiteral("/a & b");
                for (int i = 1; i <= 3; ++i) { // a folder with something in it
                    QFile file(QStringLiteral("%1/scan-%2.dat").arg(folder).arg(i));
                    if (file.open(QIODevice::WriteOnly))
                        file.write(QByteArray(i * 40000, 'x'));
                }
                QFile notes(folder + QStringLiteral("/expenses-2024-03-with-a-long-name-for-wrapping.txt"));
                if (notes.open(QIODevice::WriteOnly))
                    notes.write("taxi 38.00\n");
                notes.close(); // written before the folder is listed
                FileTags::write(notes.fileName(), {QStringLiteral("Red"), QStringLiteral("Blue"), QStringLiteral("Work")});
                const QString shown = inner ? folder : context.fixture;
                return new InfoWindow(shown, shown + u'/' + name, holdWalks);
            },
            [holdWalks](QWidget *widget) {
                return static_cast<InfoWindow *>(widget)->ready(holdWalks ? L("计算中…") : QString());
            }};
}

// A sheet with a window model of its own, which lives as long as the sheet.
struct StateHolder
{
    BrowserState state;
};

class ConnectShot : private StateHolder, public ConnectServerDialog
{
public:
    ConnectShot() : ConnectServerDialog(state) {}
};

class BatchShot : private StateHolder, public BatchRenameDialog
{
public:
    BatchShot() : BatchRenameDialog(state) {}
};

Shot connectSheet(const QString &stateName, bool withRecents)
{
    return {QStringLiteral("sheets"), stateName,
            [withRecents](const Context &) -> QWidget * {
                QStringList recents;
                if (withRecents) {
                    recents = {QStringLiteral("smb://nas.example/photos"),
                               QStringLiteral("sftp://anna@build.example/home/anna/projects/marovel/releases/2024"),
                               QStringLiteral("https://dav.example/remote.php/dav/files/anna"),
                               QStringLiteral("afp://old-mac.example/Shared"),
                               QStringLiteral("ftp://ftp.example/pub"), QStringLiteral("nfs://files.example/export"),
                               QStringLiteral("smb://printer.example/scans")};
                }
                Defaults::shared().setValue(QStringLiteral("recentServers"), recents);
                auto *sheet = new ConnectShot;
                if (withRecents) {
                    sheet->findChild<QLineEdit *>(QStringLiteral("serverAddress"))->setText(QStringLiteral("smb://nas.example/photos"));
                    sheet->findChild<QLineEdit *>(QStringLiteral("serverUser"))->setText(QStringLiteral("anna"));
                    sheet->findChild<QLineEdit *>(QStringLiteral("serverPassword"))->setText(QStringLiteral("secret"));
                }
                return sheet;
            },
            {}, {480, 0}};
}

Shot batchSheet(const QString &stateName, bool filled)
{
    return {QStringLiteral("sheets"), stateName,
            [filled](const Context &) -> QWidget * {
                auto *sheet = new BatchShot;
                if (filled) {
                    sheet->findChild<QLineEdit *>(QStringLiteral("findField"))->setText(QStringLiteral("IMG_"));
                    sheet->findChild<QLineEdit *>(QStringLiteral("replaceField"))->setText(QStringLiteral("trip-"));
                    sheet->findChild<QLineEdit *>(QStringLiteral("prefixField"))->setText(QStringLiteral("2024-"));
                    sheet->findChild<QCheckBox *>(QStringLiteral("addSeqToggle"))->setChecked(true);
                }
                return sheet;
            },
            {}, {420, 0}};
}

} // namespace

QList<Shot> infoShots()
{
    return {
        info(QStringLiteral("getinfo-file"), QStringLiteral("photo.png"), false),
        info(QStringLiteral("getinfo-pdf"), QStringLiteral("Invoice 2024-03-01.pdf"), false),
        info(QStringLiteral("getinfo-folder-computing"), QStringLiteral("a & b"), true),
        info(QStringLiteral("getinfo-folder-done"), QStringLiteral("a & b"), false),
        info(QStringLiteral("getinfo-tagged"), QStringLiteral("expenses-2024-03-with-a-long-name-for-wrapping.txt"),
             false, true),
        connectSheet(QStringLiteral("connect-empty"), false),
        connectSheet(QStringLiteral("connect-recents"), true),
        batchSheet(QStringLiteral("batch-empty"), false),
        batchSheet(QStringLiteral("batch-filled"), true),
    };
}

} // namespace Shots
