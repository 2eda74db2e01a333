#include "CollaborationStore.h"

#include "CoreError.h"
#include "Localization.h"
#include "MarovelCore.h"

#include <QCoreApplication>
#include <QFuture>
#include <QtConcurrent>

namespace {

QString describe(const std::exception &error)
{
    if (const auto *marovel = dynamic_cast<const MarovelError *>(&error))
        return marovel->description();
    return QString::fromLocal8Bit(error.what());
}

} // namespace

CollaborationStore &CollaborationStore::shared()
{
    static CollaborationStore *instance = [] {
        auto *store = new CollaborationStore;
        if (auto *app = QCoreApplication::instance())
            store->moveToThread(app->thread());
        return store;
    }();
    return *instance;
}

CollaborationStore::CollaborationStore(QObject *parent) : QObject(parent)
{
    refresh();
}

void CollaborationStore::setLastError(const QString &error)
{
    if (error == m_lastError)
        return;
    m_lastError = error;
    emit lastErrorChanged();
}

void CollaborationStore::setWorkspaces(const QList<Workspace> &workspaces)
{
    if (workspaces == m_workspaces)
        return;
    m_workspaces = workspaces;
    emit workspacesChanged();
}

CollaborationStore::Result CollaborationStore::read()
{
    Result result;
    try {
        result.workspaces = WorkspaceRegistry::shared().list();
        const MarovelCore::JournalContents journal = MarovelCore::readJournal();
        const QList<Transaction> &all = journal.transactions;
        result.tornRecords = journal.tornRecords;
        QList<Transaction> newest;
        for (qsizetype i = all.size() - 1; i >= 0 && newest.size() < shownTransactions; --i)
            newest.append(all[i]);
        result.transactions = newest;
    } catch (const std::exception &error) {
        result.error = describe(error);
    }
    return result;
}

void CollaborationStore::refresh()
{
    // One read at a time: a reload asked for while one runs starts when it ends, so a
    // result read earlier never replaces one read later.
    if (m_running) {
        m_again = true;
        return;
    }
    startRead();
}

void CollaborationStore::startRead()
{
    m_running = true;
    m_again = false;
    QtConcurrent::run(&CollaborationStore::read).then(this, [this](const Result &result) {
        apply(result);
        m_running = false;
        if (m_again)
            startRead();
        emit refreshed();
    });
}

void CollaborationStore::apply(const Result &result)
{
    if (result.workspaces)
        setWorkspaces(*result.workspaces);
    if (result.transactions) {
        m_transactions = *result.transactions;
        emit transactionsChanged();
        if (result.tornRecords != m_tornRecords) {
            m_tornRecords = result.tornRecords;
            emit tornRecordsChanged();
        }
    }
    setLastError(result.error);
}

void CollaborationStore::addFromPicker()
{
    if (!m_picker)
        return;
    const auto chosen = m_picker(L("授权工作区"),
                                 L("Marovel 和终端工具只会在你授权的工作区内读取、检索或生成操作计划。"));
    if (!chosen || chosen->isEmpty())
        return;
    authorize(*chosen);
}

void CollaborationStore::authorize(const QString &folder)
{
    struct Outcome
    {
        std::optional<Workspace> workspace;
        QString error;
    };
    ++m_changing;
    QtConcurrent::run([folder] {
        Outcome outcome;
        try {
            outcome.workspace = WorkspaceRegistry::shared().add(folder);
        } catch (const std::exception &error) {
            outcome.error = describe(error);
        }
        return outcome;
    }).then(this, [this](const Outcome &outcome) {
        --m_changing;
        if (!outcome.workspace) {
            setLastError(outcome.error);
            return;
        }
        emit authorized(*outcome.workspace);
        refresh();
    });
}

void CollaborationStore::withdraw(const QString &workspaceId)
{
    ++m_changing;
    QtConcurrent::run([workspaceId] {
        try {
            WorkspaceRegistry::shared().remove(workspaceId);
        } catch (const std::exception &error) {
            return describe(error);
        }
        return QString();
    }).then(this, [this](const QString &error) {
        --m_changing;
        if (!error.isEmpty()) {
            setLastError(error);
            return;
        }
        refresh();
    });
}
