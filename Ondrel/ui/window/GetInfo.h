#pragma once

#include "ItemInfo.h"

#include <QAbstractButton>
#include <QHash>
#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>

class BrowserState;
class QLabel;
class Thumb;

namespace Kit {
class SelectableText;
}

// A round button of one colour tag: the tag's colour, with a ring while it is on.
class TagCircle : public QAbstractButton
{
    Q_OBJECT

public:
    explicit TagCircle(const QString &tag, QWidget *parent = nullptr);
    const QString &tag() const { return m_tag; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_tag;
};

// The information page of one file or folder: its picture and name, kind, size, dates,
// permissions and location, and the seven colour tags as toggles.
//
// The facts are read off the GUI thread, so a file on a dead network mount cannot freeze
// the window; a folder's size is then found by a walk, also off the GUI thread, with
// "计算中…" shown meanwhile. Showing another item clears every fact at once, and results
// read for an earlier item are dropped; its walk stops early.
class GetInfo : public QWidget
{
    Q_OBJECT

public:
    explicit GetInfo(BrowserState &state, QWidget *parent = nullptr);
    ~GetInfo() override;

    // Shows the item at `path` and reads its facts afresh; `isDir` (as listed) picks the
    // picture until the facts are in. An empty path shows nothing.
    void setItem(const QString &path, bool isDir);
    const QString &path() const { return m_path; }

private:
    void load();
    void factsRead(const ItemInfo::Facts &facts);
    void startWalk();
    void stopWalk();
    void toggle(TagCircle *circle);
    void readBackTags();
    void retranslate();
    void render();

    BrowserState &m_state;
    QString m_path;
    // Bumped for every item shown: results of an earlier one are dropped.
    quint64 m_generation = 0;
    std::optional<ItemInfo::Facts> m_facts;
    std::optional<qint64> m_folderTotal;
    std::shared_ptr<std::atomic_bool> m_walkStop;
    int m_tagWrites = 0; // tag writes of this item not yet finished

    Thumb *m_thumb;
    Kit::SelectableText *m_name;
    QHash<QString, QLabel *> m_labels;             // by label key
    QHash<QString, Kit::SelectableText *> m_values; // by label key
    QLabel *m_tagsTitle;
    QList<TagCircle *> m_circles;
};
