#include "UndoLog.h"

#include "MarovelPaths.h"
#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

namespace {

QList<QJsonObject> lines(const QByteArray &bytes)
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : bytes.split('\n')) {
        if (!line.isEmpty())
            objects.append(QJsonDocument::fromJson(line).object());
    }
    return objects;
}

TEST(UndoLog, OneLinePerPairWithOneTimeForTheCall)
{
    UndoLog log;
    EXPECT_EQ(log.path(), MarovelPaths::appSupport() + "/undo.log"); // never MAROVEL_HOME

    log.append("重命名", {{"/home/u/旧.txt", "/home/u/新.txt"}});
    log.flush();
    const QByteArray first = TestSupport::readFile(log.path());
    // Raw UTF-8 names, escaped slashes, one compact line ended by a line feed.
    EXPECT_TRUE(first.contains(R"("from":"\/home\/u\/旧.txt")")) << first.toStdString();
    EXPECT_TRUE(first.contains(R"("op":"重命名")"));
    EXPECT_EQ(first.count('\n'), 1);
    EXPECT_TRUE(first.endsWith("\n"));
    const QJsonObject entry = lines(first).at(0);
    EXPECT_EQ(entry.keys(), (QStringList{"from", "op", "to", "ts"}));
    EXPECT_TRUE(entry["ts"].isDouble()); // seconds since 2001, a number

    log.append("粘贴", {{"/a/1", "/b/1"}, {"/a/2", "/b/2"}, {"/a/3", "/b/3"}});
    log.flush();
    const QByteArray both = TestSupport::readFile(log.path());
    EXPECT_TRUE(both.startsWith(first));
    const QList<QJsonObject> all = lines(both);
    ASSERT_EQ(all.size(), 4);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(all[i]["op"].toString(), "粘贴");
        EXPECT_EQ(all[i]["from"].toString(), QStringLiteral("/a/%1").arg(i));
        EXPECT_EQ(all[i]["to"].toString(), QStringLiteral("/b/%1").arg(i));
        EXPECT_EQ(all[i]["ts"], all[1]["ts"]);
    }
    EXPECT_GE(all[1]["ts"].toDouble(), all[0]["ts"].toDouble());
}

TEST(UndoLog, AnEmptyCallWritesNothing)
{
    UndoLog log;
    log.append("移动", {});
    log.flush();
    EXPECT_FALSE(QFile::exists(log.path()));
}

TEST(UndoLog, CallsLandInCallOrderAfterEarlierLines)
{
    UndoLog log;
    TestSupport::writeFile(log.path(), "{\"earlier\":1}\n{\"cut short");
    for (int i = 0; i < 300; ++i)
        log.append(QStringLiteral("op%1").arg(i), {{"/f", "/t"}, {"/f2", "/t2"}});
    log.flush();
    const QByteArray bytes = TestSupport::readFile(log.path());
    EXPECT_TRUE(bytes.startsWith("{\"earlier\":1}\n{\"cut short\n")); // kept, then a new line
    const QList<QByteArray> written = bytes.split('\n').mid(2);
    ASSERT_EQ(written.size(), 601); // 600 lines and the empty rest after the final line feed
    for (int i = 0; i < 600; ++i)
        ASSERT_EQ(QJsonDocument::fromJson(written[i]).object()["op"].toString(),
                  QStringLiteral("op%1").arg(i / 2));
}

TEST(UndoLog, ALogThatCannotBeOpenedIsLeftAloneAndTheFailureSignalledOnce)
{
    UndoLog log;
    QSignalSpy failed(&log, &UndoLog::writeFailed);
    // A name that exists but cannot be opened, even by root: a link to itself.
    ASSERT_EQ(::symlink("undo.log", QFile::encodeName(log.path()).constData()), 0);
    log.append("重命名", {{"/a", "/b"}});
    log.append("移动", {{"/c", "/d"}});
    log.flush();
    const QFileInfo info(log.path());
    EXPECT_TRUE(info.isSymLink()); // not replaced by a new file
    EXPECT_EQ(info.symLinkTarget(), log.path());
    ASSERT_EQ(failed.count(), 1); // the second append failed the same way
    EXPECT_EQ(failed.at(0).at(0).toString(), log.path());
    EXPECT_EQ(failed.at(0).at(1).toInt(), ELOOP);
}

} // namespace
