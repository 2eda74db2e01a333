// The onboarding's render mode: the application itself as a child process draws the
// pictures and ends before any other launch work; without the switch nothing happens.
#include "AppTestSupport.h"
#include "Defaults.h"
#include "TestSupport.h"
#include "onboarding/OnboardingRender.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>

using namespace AppTest;

namespace {

const QString renderKey = QStringLiteral("MarovelRenderOnboarding");

// File name and width in pixels: twice the sheet's 520 and the banner's 620.
const QList<std::pair<QString, int>> pictures = {
    {QStringLiteral("02-step1-已授权.png"), 1040}, {QStringLiteral("03-step2-下载中.png"), 1040},
    {QStringLiteral("04-step2-失败.png"), 1040},   {QStringLiteral("05-step2-已就绪.png"), 1040},
    {QStringLiteral("06-step3.png"), 1040},        {QStringLiteral("07-基础命名标题.png"), 1040},
    {QStringLiteral("08-首胜横幅.png"), 1240},
};

std::unique_ptr<Host> render(const QString &folder)
{
    return std::make_unique<Host>(QStringLiteral(MAROVEL_EXECUTABLE), QStringList{"-" + renderKey, folder},
                                  QHash<QString, QString>{}, QString());
}

// The application's own lines of stderr (the offscreen platform adds notes of its own).
QStringList errorLines(const Host &host)
{
    static const QRegularExpression own(QStringLiteral("^marovel: "));
    return QString::fromUtf8(host.standardError()).split(u'\n', Qt::SkipEmptyParts).filter(own);
}

ino_t inode(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

TEST(OnboardingRender, WritesEveryStateAtTwiceItsSizeOverOldFilesAndNothingElse)
{
    const QString folder = TestSupport::root() + QStringLiteral("/shots/new");
    // A picture of an earlier run is replaced.
    TestSupport::writeFile(folder + QStringLiteral("/05-step2-已就绪.png"), "old");

    auto host = render(folder);
    ASSERT_TRUE(host->waitForEnd(30000));
    EXPECT_TRUE(host->exitedWith(0)) << host->describe().toStdString() << host->standardError().toStdString();

    QStringList expected;
    for (const auto &[name, width] : pictures)
        expected << name;
    EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name), expected);
    QList<QImage> images;
    for (const auto &[name, width] : pictures) {
        const QImage image(folder + u'/' + name, "png");
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_EQ(image.width(), width) << name.toStdString();
        EXPECT_EQ(image.height() % 2, 0) << name.toStdString();
        images << image;
    }
    // The sheet's states draw differently, and at least its minimum height of 300.
    for (qsizetype i = 0; i < 5; ++i) {
        EXPECT_GE(images[i].height(), 600) << pictures[i].first.toStdString();
        for (qsizetype j = i + 1; j < 5; ++j)
            EXPECT_NE(images[i], images[j]) << pictures[i].first.toStdString() << pictures[j].first.toStdString();
    }

    // No launch work ran: no settings written, no crash marker armed.
    EXPECT_FALSE(QFile::exists(Defaults::filePath()));
    EXPECT_FALSE(QFile::exists(markerPath()));
}

TEST(OnboardingRender, RunsBeforeARunningApplicationCouldTakeTheStartOver)
{
    auto primary = std::make_unique<Host>(QStringLiteral(MAROVEL_EXECUTABLE),
                                          QStringList{"-autoModelTried", "true"}, QHash<QString, QString>{},
                                          QString());
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(markerPath()) || primary->hasEnded(); }, 15000));
    ASSERT_FALSE(primary->hasEnded()) << primary->describe().toStdString();
    const ino_t marker = inode(markerPath());

    const QString folder = TestSupport::root() + QStringLiteral("/shots");
    auto host = render(folder);
    ASSERT_TRUE(host->waitForEnd(30000));
    EXPECT_TRUE(host->exitedWith(0)) << host->describe().toStdString() << host->standardError().toStdString();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), pictures.size());
    // The running application's marker is the same file, still armed.
    EXPECT_EQ(inode(markerPath()), marker);
    EXPECT_FALSE(primary->hasEnded());

    primary->signal(SIGTERM);
    ASSERT_TRUE(primary->waitForEnd(15000));
    EXPECT_TRUE(primary->exitedWith(0)) << primary->describe().toStdString();
}

TEST(OnboardingRender, EachPictureNotWrittenIsReportedAndFailsTheRun)
{
    // The folder is a file: nothing can be written.
    const QString file = TestSupport::root() + QStringLiteral("/not-a-folder");
    TestSupport::writeFile(file, "x");
    auto host = render(file);
    ASSERT_TRUE(host->waitForEnd(30000));
    EXPECT_TRUE(host->exitedWith(1)) << host->describe().toStdString();
    const QStringList lines = errorLines(*host);
    ASSERT_EQ(lines.size(), pictures.size()) << host->standardError().toStdString();
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(lines[i].contains(pictures[i].first)) << lines[i].toStdString();

    // A folder in the place of one picture: that one is reported, the others are written.
    const QString folder = TestSupport::makeFolder(QStringLiteral("shots"));
    const QString blocked = pictures[2].first;
    QDir(folder).mkdir(blocked);
    host = render(folder);
    ASSERT_TRUE(host->waitForEnd(30000));
    EXPECT_TRUE(host->exitedWith(1)) << host->describe().toStdString();
    ASSERT_EQ(errorLines(*host).size(), 1) << host->standardError().toStdString();
    EXPECT_TRUE(errorLines(*host).first().contains(blocked));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), pictures.size() - 1);
}

TEST(OnboardingRender, WithoutAFolderTheCallReturns)
{
    // In a child, which render mode would end with 0 or 1 before it reached 42.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto returns = [](const QVariantMap &arguments, const QVariant &stored) {
        Defaults::shared().setArgumentDomain(arguments);
        if (stored.isValid())
            Defaults::shared().setValue(renderKey, stored);
        OnboardingRenderer::runIfRequested();
        std::_Exit(42);
    };
    EXPECT_EXIT(returns({}, {}), testing::ExitedWithCode(42), "");
    EXPECT_EXIT(returns({{renderKey, QString()}}, {}), testing::ExitedWithCode(42), "");
    EXPECT_EXIT(returns({}, QString()), testing::ExitedWithCode(42), "");
}
