#pragma once

#include "WatchAgent.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QHash>
#include <QUuid>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;
class ProposalRow;

// The watch agent's popover: a header with the switch that turns the agent on and off,
// and below it an explanation with an enable button while the agent is off, a short note
// naming the watched folders while it is on with nothing to propose, or the list of
// pending proposals with accept, dismiss and accept-all.
//
// Which of the three it shows follows "agentEnabled" (as stored, whoever stored it) and
// whether proposals are pending. Rows are kept per proposal and updated in place.
class AgentPopover : public QFrame
{
    Q_OBJECT

public:
    static constexpr int fixedWidth = 370;
    static constexpr int maxHeight = 440;
    static constexpr int maxListHeight = 360;

    enum class Branch { disabled, idle, list };

    explicit AgentPopover(WatchAgent &agent, QWidget *parent = nullptr);

    // Makes the popover a window of its own: a frameless popup, or on Wayland (where a
    // window without a parent cannot be placed as a popup) a frameless tool window that
    // closes when it loses focus.
    void makeWindow();

    Branch branch() const { return m_branch; }
    // Milliseconds since the popover was last hidden; a large number when never.
    qint64 msSinceHidden() const;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void build();
    void bind();
    void retranslate();
    void scheduleApply();
    void apply();
    void applyRows();
    void setAgentEnabled(bool on);
    void acceptAll();

    WatchAgent &m_agent;
    Branch m_branch = Branch::disabled;
    bool m_applyQueued = false;
    bool m_closesOnDeactivate = false;
    QElapsedTimer m_hidden;

    QLabel *m_title = nullptr;
    QCheckBox *m_switch = nullptr;
    QWidget *m_disabledPage = nullptr;
    QLabel *m_disabledTitle = nullptr;
    QLabel *m_disabledText = nullptr;
    QLabel *m_disabledPromise = nullptr;
    QPushButton *m_enable = nullptr;
    QWidget *m_idlePage = nullptr;
    QLabel *m_watching = nullptr;
    QLabel *m_idleNote = nullptr;
    QWidget *m_listPage = nullptr;
    QLabel *m_count = nullptr;
    QPushButton *m_acceptAll = nullptr;
    QScrollArea *m_scroll = nullptr;
    QWidget *m_rowsHost = nullptr;
    QVBoxLayout *m_rows = nullptr;
    QHash<QUuid, ProposalRow *> m_rowById;
};
