// The transaction journal: one compact JSON record per line, only ever appended to.
#include "MarovelCore.h"

#include "CoreError.h"
#include "DataFiles.h"
#include "FileSystem.h"
#include "JsonCoding.h"
#include "Localization.h"
#include "MarovelPaths.h"

namespace MarovelCore {

void record(const Transaction &transaction)
{
    MarovelPaths::prepare();
    const QString journal = MarovelPaths::journal();
    // One write with O_APPEND per record, so records of two processes never interleave.
    if (int error = FileSystem::appendLine(journal, JsonCoding::compact(transaction.toJson())))
        throw FileSystemError(L("无法写入文件“%@”：%@", journal, systemReason(error)));
}

QList<Transaction> history()
{
    const QString journal = MarovelPaths::journal();
    const auto bytes = DataFiles::readIfExists(journal);
    if (!bytes)
        return {};
    QList<Transaction> transactions;
    int lineNumber = 0;
    for (const QByteArray &line : bytes->split('\n')) {
        ++lineNumber;
        if (line.isEmpty())
            continue;
        const QString source = QStringLiteral("%1:%2").arg(journal).arg(lineNumber);
        transactions.append(Transaction::fromJson(JsonCoding::parse(line, source)));
    }
    return transactions;
}

} // namespace MarovelCore
