#pragma once

#include <QWidget>

class ActionPaneModel;
class BrowserState;
class ModelDownload;
class MultiSelectionView;
class QLabel;
class QScrollArea;
class QStackedWidget;
class SingleItemView;

// The right-hand column of the browser window while the inspector is hidden: what to do
// next with the active pane's selection. Nothing selected, or one path that the pane has
// not listed: a hint. One listed item: the single-item view in a scroll area. Several:
// the multi-selection view in a scroll area with a 16-point margin.
//
// Made anew each time the inspector hides, so its state (ActionPaneModel, a child) starts
// fresh; it follows the window's active pane and updates in place.
class ActionPane : public QWidget
{
    Q_OBJECT

public:
    enum class Page { hint, single, multi };

    // The model setup card follows and drives `download`; none: ModelDownload::shared().
    explicit ActionPane(BrowserState &state, QWidget *parent = nullptr);
    ActionPane(BrowserState &state, ModelDownload *download, QWidget *parent = nullptr);

    ActionPaneModel &model() const { return *m_model; }
    Page page() const;
    SingleItemView *singleView() const { return m_single; }
    MultiSelectionView *multiView() const { return m_multi; }

private:
    void scheduleApply();
    void apply();
    void retranslate();

    ActionPaneModel *m_model;
    QStackedWidget *m_pages;
    QWidget *m_hint;
    QLabel *m_hintTitle;
    QLabel *m_hintDetail;
    QScrollArea *m_singleScroll;
    SingleItemView *m_single;
    QScrollArea *m_multiScroll;
    MultiSelectionView *m_multi;
    bool m_queued = false;
};
