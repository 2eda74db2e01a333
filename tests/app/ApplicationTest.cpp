// The application itself as a child process, where the process boundary matters.
#include "AppTestSupport.h"
#include "Store.h"
#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>

using namespace AppTest;

namespace {

std::unique_ptr<Host> startApplication(const QStringList &arguments, const QString &workingFolder = {})
{
    // No automatic model download from a test.
    return std::make_unique<Host>(QStringLiteral(MAROVEL_EXECUTABLE),
                                  QStringList{"-autoModelTried", "true"} + arguments,
                                  QHash<QString, QString>{}, workingFolder);
}

} // namespace

TEST(Application, LaterStartFromAnotherFolderShowsItsPathsInTheRunningWindow)
{
    const QString start = TestSupport::makeFolder(QStringLiteral("start"));
    const QString elsewhere = TestSupport::makeFolder(QStringLiteral("elsewhere"));
    TestSupport::makeFolder(QStringLiteral("elsewhere/inbox"));
    const QString report = TestSupport::makeFolder(QStringLiteral("c d")) + QStringLiteral("/report.txt");
    TestSupport::writeFile(report, "x");

    auto primary = startApplication({start});
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(markerPath()) || primary->hasEnded(); }, 15000));
    ASSERT_FALSE(primary->hasEnded()) << primary->describe().toStdString()
                                      << primary->standardError().toStdString();

    // A relative folder, taken against the second start's own working folder, and a file
    // URI (with an escaped space): the file's folder is shown last.
    const QString uri = QUrl::fromLocalFile(report).toString(QUrl::FullyEncoded);
    auto second = startApplication({"inbox", uri}, elsewhere);
    ASSERT_TRUE(second->waitForEnd(15000));
    EXPECT_TRUE(second->exitedWith(0)) << second->describe().toStdString()
                                       << second->standardError().toStdString();
    // The second start left the running application's marker armed.
    EXPECT_TRUE(QFile::exists(markerPath()));

    primary->signal(SIGTERM);
    ASSERT_TRUE(primary->waitForEnd(15000));
    EXPECT_TRUE(primary->exitedWith(0)) << primary->describe().toStdString();
    QFile marker(markerPath());
    ASSERT_TRUE(marker.open(QIODevice::ReadOnly));
    EXPECT_EQ(marker.readAll(), QByteArray()); // a clean end

    Store store;
    ASSERT_TRUE(store.session());
    const Store::Session session = *store.session();
    ASSERT_LT(session.active, session.panes.size());
    EXPECT_EQ(session.panes.at(session.active), QFileInfo(report).path());
}
