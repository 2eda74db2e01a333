#pragma once

#include "CollaborationStore.h"
#include "ContentIndex.h"
#include "LoopbackHttp.h"
#include "NamingTemplate.h"
#include "Store.h"
#include "TestSupport.h"
#include "WatchAgent.h"
#include "settings/SettingsServices.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QList>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace SettingsTest {

using Loopback::waitFor;

// The services of a settings window made of the test's own objects, with a folder
// chooser that answers from a queue, an opener and a tray switch that only record.
struct Services
{
    explicit Services(ContentIndexConfig indexConfig = defaultIndexConfig())
        : index(std::make_unique<ContentIndex>(std::move(indexConfig)))
    {
    }

    static ContentIndexConfig defaultIndexConfig()
    {
        ContentIndexConfig config;
        config.databasePath = TestSupport::root() + QStringLiteral("/db/content-index.sqlite");
        config.watchLatencyMs = 100;
        config.rescanDelayMs = 300;
        return config;
    }

    SettingsServices services()
    {
        SettingsServices s;
        s.store = &store;
        s.agent = &agent;
        s.contentIndex = index.get();
        s.naming = &naming;
        s.collaboration = &collaboration;
        s.chooseFolder = [this](QWidget *, const QString &title) -> std::optional<QString> {
            chooserTitles << title;
            return answers.isEmpty() ? std::nullopt : answers.takeFirst();
        };
        s.openUrl = [this](const QUrl &url) { opened << url; };
        s.setTrayItemVisible = [this](bool visible) { trayCalls << visible; };
        s.trayAvailable = [this] { return tray; };
        s.mcpCommand = {QStringLiteral("/usr/local/libexec/marovel/marovel-mcp"), true};
        return s;
    }

    Store store;
    NamingStore naming;
    CollaborationStore collaboration;
    WatchAgent agent;
    std::unique_ptr<ContentIndex> index;

    QList<std::optional<QString>> answers; // the chooser's next answers; none: cancelled
    QStringList chooserTitles;
    QList<QUrl> opened;
    QList<bool> trayCalls;
    bool tray = true;
};

template <typename T = QWidget>
T *child(QWidget *root, const char *name)
{
    T *found = root->findChild<T *>(QString::fromLatin1(name));
    EXPECT_TRUE(found) << name;
    return found;
}

// The visible widgets of that name, top to bottom.
template <typename T = QWidget>
QList<T *> shown(QWidget *root, const char *name)
{
    QList<T *> list;
    for (T *widget : root->findChildren<T *>(QString::fromLatin1(name)))
        if (widget->isVisibleTo(root))
            list << widget;
    std::sort(list.begin(), list.end(), [root](T *a, T *b) {
        return a->mapTo(root, QPoint()).y() < b->mapTo(root, QPoint()).y();
    });
    return list;
}

// Chooses the entry at `index` as a user does.
inline void choose(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

inline QStringList entries(const QComboBox *box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

// A click near the leading edge, where a check box has its box and a button its text.
inline void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(std::min(10, button->width() / 2), button->height() / 2));
}

} // namespace SettingsTest
