// The transaction journal: one compact JSON record per line, only ever appended to.
#include "MarovelCore.h"

#include "CoreError.h"
#include "DataFiles.h"
#include "FileSystem.h"
#include "JsonCoding.h"
#include "JsonScan.h"
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
    return readJournal().transactions;
}

JournalContents readJournal()
{
    const QString journal = MarovelPaths::journal();
    const auto bytes = DataFiles::readIfExists(journal);
    if (!bytes)
        return {};
    JournalContents contents;
    int lineNumber = 0;
    for (const QByteArray &line : bytes->split('\n')) {
        ++lineNumber;
        if (line.isEmpty())
            continue;
        const QString source = QStringLiteral("%1:%2").arg(journal).arg(lineNumber);
        QJsonValue value;
        try {
            value = JsonCoding::parse(line, source);
        } catch (const DecodingError &) {
            // A writer that died mid-record leaves an object that stops inside itself; the
            // next append starts on a new line, so only that one record is lost.
            if (line.startsWith('{') && JsonScan::shape(line) == JsonScan::Shape::Truncated) {
                ++contents.tornRecords;
                continue;
            }
            throw;
        }
        contents.transactions.append(Transaction::fromJson(value));
    }
    return contents;
}

} // namespace MarovelCore
