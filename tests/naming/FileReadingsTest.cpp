// The shared readings of files: one read per file version and model, shared by callers
// that ask at the same time, never kept when the read failed or the file changed meanwhile.
#include "FileReadings.h"
#include "Localization.h"
#include "TestSupport.h"

#include <QFile>
#include <QMutex>
#include <QSemaphore>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>

namespace {

// A reader that counts its calls and runs `during` inside each read.
struct CountingReader
{
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    std::function<void(const QString &path)> during;

    FileReadings::Reader reader() const
    {
        return [calls = calls, during = during](const QString &path, const QString &model) {
            ++*calls;
            if (during)
                during(path);
            return FileReading{Extraction{model + " read", ContentSource::text}, ScenarioMatch{}};
        };
    }
};

class FileReadingsTest : public testing::Test
{
protected:
    QString file(const QString &name, const QByteArray &bytes = "some text")
    {
        const QString path = m_folder + u'/' + name;
        TestSupport::writeFile(path, bytes);
        return path;
    }

    QString m_folder = TestSupport::makeFolder(QStringLiteral("readings"));
};

} // namespace

TEST_F(FileReadingsTest, ReadsOncePerVersionAndModel)
{
    FileReadings readings;
    CountingReader counting;
    readings.setReader(counting.reader());
    const QString path = file("a.txt");

    struct Step
    {
        const char *name;
        std::function<void()> before;
        QString model;
        int calls;
    };
    const Step steps[] = {
        {"first read", [] {}, "m1", 1},
        {"same version", [] {}, "m1", 1},
        {"another model", [] {}, "m2", 2},
        {"the first model again (one reading per file)", [] {}, "m1", 3},
        {"new time",
         [&] {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             ASSERT_TRUE(f.setFileTime(f.fileTime(QFileDevice::FileModificationTime).addSecs(-5),
                                       QFileDevice::FileModificationTime));
         },
         "m1", 4},
        {"grown", [&] { TestSupport::writeFile(path, "some longer text"); }, "m1", 5},
        {"unchanged", [] {}, "m1", 5},
        // The detection's sentences are written in the interface language.
        {"another interface language", [] { Loc::shared().setOverride(QStringLiteral("en")); }, "m1", 6},
        {"the same language", [] {}, "m1", 6},
        {"the first language again", [] { Loc::shared().setOverride(QStringLiteral("zh-Hans")); }, "m1", 7},
    };
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    for (const Step &step : steps) {
        step.before();
        const FileReading reading = readings.read(path, step.model);
        EXPECT_EQ(reading.extraction.text, step.model + " read") << step.name;
        EXPECT_EQ(counting.calls->load(), step.calls) << step.name;
    }
    Loc::shared().setOverride(std::nullopt);
}

TEST_F(FileReadingsTest, AFailedOrOverrunReadIsNotKept)
{
    FileReadings readings;
    const QString path = file("b.txt");

    // The reader's exception reaches the caller; the next caller reads again.
    int calls = 0;
    readings.setReader([&](const QString &, const QString &) -> FileReading {
        if (++calls == 1)
            throw std::runtime_error("unreadable");
        return FileReading{};
    });
    EXPECT_THROW(readings.read(path, "m"), std::runtime_error);
    readings.read(path, "m");
    readings.read(path, "m");
    EXPECT_EQ(calls, 2);

    // A file written to while it is read: its reading belongs to no version.
    CountingReader counting;
    counting.during = [](const QString &read) { TestSupport::writeFile(read, "changed while read, longer"); };
    readings.setReader(counting.reader());
    const QString moving = file("c.txt");
    readings.read(moving, "m");
    counting.during = {};
    readings.setReader(counting.reader());
    readings.read(moving, "m");
    EXPECT_EQ(counting.calls->load(), 2);
}

TEST_F(FileReadingsTest, CallersOfTheSameVersionShareOneRead)
{
    FileReadings readings;
    auto started = std::make_shared<QSemaphore>();
    auto release = std::make_shared<QSemaphore>();
    CountingReader counting;
    counting.during = [started, release](const QString &) {
        started->release();
        release->acquire();
    };
    readings.setReader(counting.reader());
    const QString path = file("d.txt");

    QFuture<FileReading> first = QtConcurrent::run([&] { return readings.read(path, "m"); });
    started->acquire();
    QFuture<FileReading> second = QtConcurrent::run([&] { return readings.read(path, "m"); });
    QThread::msleep(100); // the second caller reaches the wait
    release->release(2);
    EXPECT_EQ(first.result().extraction.text, "m read");
    EXPECT_EQ(second.result().extraction.text, "m read");
    EXPECT_EQ(counting.calls->load(), 1);
}

TEST_F(FileReadingsTest, KeepsTheMostRecentlyUsedReadings)
{
    FileReadings readings;
    CountingReader counting;
    readings.setReader(counting.reader());
    QStringList paths;
    for (int i = 0; i <= FileReadings::capacity; ++i)
        paths << file(QStringLiteral("f%1.txt").arg(i));

    for (int i = 0; i < FileReadings::capacity; ++i)
        readings.read(paths.at(i), "m");
    readings.read(paths.first(), "m"); // used again: the second file is now the oldest
    readings.read(paths.last(), "m");  // one too many
    ASSERT_EQ(counting.calls->load(), FileReadings::capacity + 1);
    readings.read(paths.first(), "m");
    EXPECT_EQ(counting.calls->load(), FileReadings::capacity + 1) << "a recently used reading was dropped";
    readings.read(paths.at(1), "m");
    EXPECT_EQ(counting.calls->load(), FileReadings::capacity + 2) << "the oldest reading was kept";
}
