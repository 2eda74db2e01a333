#pragma once

#include "CoreError.h"

#include <QList>
#include <QString>

#include <utility>

// The failure of a file operation: a finished sentence in the interface language, the
// errno that describes it, and what the operation had already done before it stopped
// (the (source, destination) pairs of the items it completed), so the caller can still
// offer to undo those.
class FileOpsError : public MarovelError
{
public:
    FileOpsError(QString message, int code, QList<std::pair<QString, QString>> completed = {})
        : m_message(std::move(message)), m_code(code), m_completed(std::move(completed))
    {
    }

    QString description() const override { return m_message; }
    int code() const { return m_code; }
    const QList<std::pair<QString, QString>> &completed() const { return m_completed; }

private:
    QString m_message;
    int m_code;
    QList<std::pair<QString, QString>> m_completed;
};
