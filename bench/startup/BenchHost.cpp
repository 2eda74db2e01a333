// A minimal Marovel window for the start-up benchmark until the real main window exists:
// the kit's set-up (icon theme, language), a 1280×800 window with the model status chip
// and a table of the folder's entries, listed off the GUI thread as the panes will.
// It stands in for the application; its figures are not the application's.
#include "FileLister.h"
#include "Localization.h"
#include "kit/Icons.h"
#include "kit/Style.h"
#include "window/ModelStatusView.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMainWindow>
#include <QTableView>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <clocale>

namespace {

// Rows from an array of listed items; no file access in data().
class ItemsModel : public QAbstractTableModel
{
public:
    void setItems(QList<FileItem> items)
    {
        beginResetModel();
        m_items = std::move(items);
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_items.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        const FileItem &item = m_items[index.row()];
        switch (index.column()) {
        case 0: return item.name;
        case 1: return item.size;
        default: return item.kind;
        }
    }

private:
    QList<FileItem> m_items;
};

} // namespace

int main(int argc, char **argv)
{
    std::setlocale(LC_ALL, "C.UTF-8");
    Kit::prepareIconTheme();
    QApplication app(argc, argv);
    Kit::ensureIconTheme();
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::homePath();

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Marovel"));
    auto *central = new QWidget(&window);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(Kit::Space::margin, Kit::Space::tight, Kit::Space::margin, Kit::Space::tight);
    bar->addWidget(new ModelStatusView(central));
    bar->addStretch();
    column->addLayout(bar);
    auto *table = new QTableView(central);
    auto *model = new ItemsModel;
    model->setParent(table);
    table->setModel(model);
    table->verticalHeader()->hide();
    table->setShowGrid(false);
    column->addWidget(table, 1);
    window.setCentralWidget(central);

    auto *watcher = new QFutureWatcher<QList<FileItem>>(&window);
    QObject::connect(watcher, &QFutureWatcherBase::finished, &window, [watcher, model] {
        model->setItems(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run([folder] { return FileLister::list(folder, false); }));

    window.resize(1280, 800);
    window.show();
    return app.exec();
}
