#pragma once

#include "Plan.h"
#include "Workspace.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// The application's observable copy of the AI-collaboration state kept by the core
// library: the authorised workspaces, the 30 newest journal records (newest first) and
// the last error met while reading or changing them.
//
// Lives on the GUI thread. Reading the registry and the journal (which grows for as long
// as the program is used) runs in the background; results land on the GUI thread in the
// order the reloads were asked for. The registry and journal stay the truth: every
// reload reads them afresh.
class CollaborationStore : public QObject
{
    Q_OBJECT

public:
    static constexpr int shownTransactions = 30;

    // Asks the user for one folder with the given button title and message; none when the
    // user cancels. The window supplies the real panel; tests supply a path.
    using FolderPicker =
        std::function<std::optional<QString>(const QString &buttonTitle, const QString &message)>;

    static CollaborationStore &shared();

    // Starts the first reload at once.
    explicit CollaborationStore(QObject *parent = nullptr);

    const QList<Workspace> &workspaces() const { return m_workspaces; }
    const QList<Transaction> &transactions() const { return m_transactions; }
    const QString &lastError() const { return m_lastError; }
    // Journal records cut short by a crash, which the reload skipped.
    int tornRecords() const { return m_tornRecords; }
    // The sidebar reports its own failed authorisation here too.
    void setLastError(const QString &error);

    // Reloads both lists and clears `lastError`; on a failure the lists that could not be
    // read keep their values and `lastError` holds the error's description.
    void refresh();
    // Whether a reload, an authorisation or a withdrawal is still under way.
    bool isBusy() const { return m_running || m_changing > 0; }

    void setFolderPicker(FolderPicker picker) { m_picker = std::move(picker); }
    // Asks the picker for a folder and authorises it; cancelling changes nothing.
    void addFromPicker();
    // Authorises `folder` in the background; success reloads, failure sets `lastError`.
    void authorize(const QString &folder);
    // Withdraws the workspace's authorisation in the background; success reloads, failure
    // sets `lastError`.
    void withdraw(const QString &workspaceId);

signals:
    void workspacesChanged();
    void transactionsChanged(); // after every successful reload of the journal
    void lastErrorChanged();
    void tornRecordsChanged();
    void refreshed(); // each time a reload's result has been applied
    void authorized(const Workspace &workspace);

private:
    struct Result
    {
        std::optional<QList<Workspace>> workspaces;
        std::optional<QList<Transaction>> transactions;
        int tornRecords = 0;
        QString error;
    };

    static Result read();
    void startRead();
    void apply(const Result &result);
    void setWorkspaces(const QList<Workspace> &workspaces);

    QList<Workspace> m_workspaces;
    QList<Transaction> m_transactions;
    QString m_lastError;
    int m_tornRecords = 0;
    FolderPicker m_picker;
    bool m_running = false;
    bool m_again = false;
    int m_changing = 0; // authorisations and withdrawals under way
};
