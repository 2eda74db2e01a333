#pragma once

#include <QPointer>
#include <QWidget>

class BrowserState;
class ModelStatusView;
class QBoxLayout;
class QCheckBox;
class QProgressBar;
class QPushButton;

// The second bar of the window: the model status chip, the date-prefix switch of the
// naming template, the organise commands for the active pane's folder and selection, the
// batch rename sheet's entry, the progress of a running analysis and, at the trailing
// edge, clearing the proposals, undoing the newest step and applying the accepted renames.
// A bar too narrow for one row puts the trailing commands on a second row.
//
// It keeps no state of its own: every control shows and writes the window model or the
// process-wide NamingStore, and follows whichever pane is active.
class AIBar : public QWidget
{
    Q_OBJECT

public:
    explicit AIBar(BrowserState &state, QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void followPane();
    void scheduleApply();
    void apply();
    // Lays the bar out in one row, or in two when its width asks for it.
    void fit();
    void showDatePrefix();
    void setDatePrefix(bool on);
    void organizeSelected();

    BrowserState &m_state;
    QBoxLayout *m_rows = nullptr;
    QWidget *m_leading = nullptr;
    QWidget *m_trailing = nullptr;
    ModelStatusView *m_status;
    QCheckBox *m_datePrefix;
    QPushButton *m_organizeFolder;
    QPushButton *m_organizeSelected;
    QPushButton *m_batchRename;
    QProgressBar *m_progress;
    QPushButton *m_clear;
    QPushButton *m_undo;
    QPushButton *m_apply;
    // The connections to the active pane: deleting it drops them all.
    QPointer<QObject> m_paneLink;
    bool m_queued = false;
};
