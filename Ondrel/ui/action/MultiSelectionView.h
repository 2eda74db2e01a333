#pragma once

#include <QStringList>
#include <QWidget>

class ActionPaneModel;

// What the action pane shows for two or more selected items: their count and total size
// and the batch actions. The pane's scroll area holds it with its margin.
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
    ActionPaneModel &m_model;
    QStringList m_urls;
    qint64 m_total = 0;
    QStringList m_fileURLs;
};
