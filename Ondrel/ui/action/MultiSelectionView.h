#pragma once

#include <QStringList>
#include <QWidget>

class ActionButton;
class ActionPaneModel;
class BrowserState;
class QLabel;

// The content for two or more selected items: how many and how large together, AI batch
// naming of the selected files, and the actions that suit many items (compress, move into
// a new folder, copy, show in the file manager, trash). It holds no state of its own:
// buttons that act on the selection read it again when pressed.
class MultiSelectionView : public QWidget
{
    Q_OBJECT

public:
    explicit MultiSelectionView(ActionPaneModel &model, QWidget *parent = nullptr);

    // The selection now: every selected path in the selection's own order, the total size
    // of the listed selected items, and the selected listed items that are not folders.
    // Called whenever the selection or the listing changes while this view is shown.
    void setValues(const QStringList &urls, qint64 total, const QStringList &fileURLs);

private:
    void retranslate();

    ActionPaneModel &m_model;
    BrowserState &m_state;
    QStringList m_urls;
    qint64 m_total = 0;
    QStringList m_fileURLs;

    QLabel *m_count;
    QLabel *m_size;
    QLabel *m_section;
    ActionButton *m_ai;
    ActionButton *m_compress;
    ActionButton *m_newFolder;
    ActionButton *m_copy;
    ActionButton *m_reveal;
    ActionButton *m_trash;
};
