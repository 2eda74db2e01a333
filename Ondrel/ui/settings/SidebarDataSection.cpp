#include "SidebarDataSection.h"

#include "Localization.h"
#include "MarovelPaths.h"
#include "Store.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

SidebarDataSection::SidebarDataSection(Store &store, QWidget *parent)
    : SettingsForm::Section(L("侧栏数据"), parent), m_store(store), m_counts(Kit::plainLabel({}, this))
{
    m_counts->setObjectName(QStringLiteral("sidebarCounts"));
    Kit::setTextLevel(m_counts, Kit::Level::secondary);
    auto *clearRecents = new QPushButton(L("清除最近记录"), this);
    clearRecents->setObjectName(QStringLiteral("clearRecents"));
    auto *clearPins = new QPushButton(L("清除置顶"), this);
    clearPins->setObjectName(QStringLiteral("clearPins"));
    auto *row = new QHBoxLayout;
    row->addWidget(m_counts);
    row->addStretch(1);
    for (QPushButton *button : {clearRecents, clearPins}) {
        button->setAutoDefault(false);
        row->addWidget(button);
    }
    addRow(row);
    auto *where = SettingsForm::caption(
        L("全部只存本机（%@），从不上传。", shownFolder(MarovelPaths::appSupport())), this);
    where->setObjectName(QStringLiteral("sidebarStorage"));
    addRow(where);

    connect(clearRecents, &QPushButton::clicked, this, [this] { m_store.clearRecents(); });
    connect(clearPins, &QPushButton::clicked, this, [this] { m_store.clearPins(); });
    connect(&m_store, &Store::recentsChanged, this, &SidebarDataSection::apply);
    connect(&m_store, &Store::pinsChanged, this, &SidebarDataSection::apply);
    apply();
}

QString SidebarDataSection::shownFolder(const QString &path)
{
    const QString home = QDir::homePath();
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home + u'/'))
        return u'~' + path.mid(home.size());
    return path;
}

void SidebarDataSection::apply()
{
    // Pinned folders that vanished from disk are not counted, though they stay stored.
    m_counts->setText(L("最近 %lld 项 · 置顶 %lld 项", qint64(m_store.recents().size()),
                        qint64(m_store.pinnedPaths().size())));
}
