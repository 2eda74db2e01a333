#include "UndoLog.h"

#include "FileSystem.h"
#include "JsonCoding.h"
#include "MarovelPaths.h"
#include "TextUtil.h"

#include <QCoreApplication>

QJsonObject UndoLogEntry::toJson() const
{
    return {{QStringLiteral("op"), op},
            {QStringLiteral("from"), from},
            {QStringLiteral("to"), to},
            {QStringLiteral("ts"), ts}};
}

UndoLog &UndoLog::shared()
{
    static UndoLog *instance = [] {
        auto *log = new UndoLog;
        if (auto *app = QCoreApplication::instance()) {
            log->moveToThread(app->thread());
            QObject::connect(app, &QCoreApplication::aboutToQuit, log, [log] { log->flush(); });
        }
        return log;
    }();
    return *instance;
}

UndoLog::UndoLog()
    : m_dir(MarovelPaths::appSupport()), m_path(m_dir + QStringLiteral("/undo.log"))
{
    FileSystem::makePath(m_dir); // a failure shows when lines are appended
}

void UndoLog::append(const QString &op, const QList<Pair> &pairs)
{
    if (pairs.isEmpty())
        return;
    const double ts = TextUtil::secondsSince2001(QDateTime::currentDateTimeUtc());
    QByteArray text;
    for (const Pair &pair : pairs) {
        text += JsonCoding::compact(UndoLogEntry{op, pair.first, pair.second, ts}.toJson());
        text += '\n';
    }
    m_queue.post([this, text] {
        // O_APPEND|O_CREAT: an existing file is never truncated or replaced, and all lines
        // of this call go out in one write. An error drops just these lines.
        int error = FileSystem::makePath(m_dir);
        if (!error)
            error = FileSystem::appendLine(m_path, text);
        if (m_failures.note(m_path, error))
            emit writeFailed(m_path, error);
    });
}

void UndoLog::flush()
{
    m_queue.waitForIdle();
}
