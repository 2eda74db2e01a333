// The preview window: when toggling opens and closes it, stepping through the items, and
// what it shows of each kind of file; and the reader of that content on its own.
#include "FileLister.h"
#include "Localization.h"
#include "LoopbackHttp.h"
#include "QuickLookContent.h"
#include "TestSupport.h"
#include "preview/QuickLook.h"

#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTest>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using Loopback::waitFor;
using Kind = QuickLookContent::Kind;

// One file of each kind the window tells apart, in a folder of the test's own.
struct Files
{
    QString png, pdf, text, broken, markup, folder, fifo, other, missing;

    Files()
    {
        const QString dir = TestSupport::makeFolder("look");
        png = dir + "/photo.png";
        QImage image(300, 200, QImage::Format_RGB32);
        image.fill(Qt::red);
        EXPECT_TRUE(image.save(png, "PNG"));

        pdf = dir + "/two pages.pdf";
        {
            QPdfWriter writer(pdf);
            writer.setPageSize(QPageSize(QPageSize::A4));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter painter(&writer);
            painter.fillRect(QRect(0, 0, writer.width(), writer.height()), Qt::blue);
            writer.newPage();
            painter.fillRect(QRect(0, 0, writer.width(), writer.height()), Qt::green);
        }

        text = dir + "/notes.txt";
        TestSupport::writeFile(text, "第一行 first line\nsecond line\n");
        broken = dir + "/broken.txt";
        TestSupport::writeFile(broken, "good \xff\xfe bytes\nand more");
        // A name and content that look like markup ("/" cannot be in a name).
        markup = dir + "/<b>x<i>.txt";
        TestSupport::writeFile(markup, "<b>x</b> stays as typed");
        folder = TestSupport::makeFolder("look/a folder");
        fifo = dir + "/pipe.txt";
        EXPECT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        other = dir + "/data.bin";
        TestSupport::writeFile(other, QByteArray("\x00\x01\x02\x03 binary", 11));
        missing = dir + "/gone.png";
    }
};

// Reads off the test's thread, so a reader that blocked would fail the test, not hang it.
QuickLookContent loadWithin(const QString &path, const QSize &pixels = {800, 600})
{
    QFuture<QuickLookContent> future = QtConcurrent::run([path, pixels] {
        return QuickLookContent::load(path, pixels);
    });
    EXPECT_TRUE(waitFor([&] { return future.isFinished(); }, 5000)) << path.toStdString();
    return future.isFinished() ? future.result() : QuickLookContent();
}

TEST(QuickLookContent, ReadsEachKindOfFile)
{
    const Files f;
    struct Case
    {
        QString path;
        Kind kind;
        QString text;  // the text read, for text files
        bool hasSize;  // a size is among the facts
    };
    const QList<Case> cases = {
        {f.png, Kind::image, {}, true},
        {f.pdf, Kind::pdf, {}, true},
        {f.text, Kind::text, "第一行 first line\nsecond line\n", true},
        {f.broken, Kind::text, QStringLiteral("good \uFFFD\uFFFD bytes\nand more"), true},
        {f.markup, Kind::text, "<b>x</b> stays as typed", true},
        {f.folder, Kind::facts, {}, false},
        {f.fifo, Kind::facts, {}, false},
        {f.other, Kind::facts, {}, true},
        {f.missing, Kind::facts, {}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QuickLookContent content = loadWithin(c.path);
        EXPECT_EQ(content.kind, c.kind);
        EXPECT_EQ(content.text, c.text);
        EXPECT_EQ(!content.sizeText.isEmpty(), c.hasSize);
        EXPECT_EQ(content.exists, c.path != f.missing);
        EXPECT_EQ(content.isDir, c.path == f.folder);
        EXPECT_FALSE(content.iconName.isEmpty() && content.exists);
    }

    // Pictures fit the pixels asked for, never enlarged; a PDF shows its first page.
    const QuickLookContent small = loadWithin(f.png, {800, 600});
    EXPECT_EQ(small.image.size(), QSize(300, 200));
    EXPECT_EQ(small.image.pixelColor(150, 100), QColor(Qt::red));
    EXPECT_EQ(loadWithin(f.png, {150, 150}).image.size(), QSize(150, 100));
    const QuickLookContent page = loadWithin(f.pdf, {400, 400});
    EXPECT_EQ(page.pageCount, 2);
    EXPECT_LE(page.image.width(), 400);
    EXPECT_NEAR(page.image.height(), 400, 1);
    EXPECT_EQ(page.image.pixelColor(page.image.width() / 2, 200), QColor(Qt::blue));
}

TEST(QuickLookContent, TheKindIsTheListsInTheInterfaceLanguage)
{
    const Files f;
    struct Language
    {
        explicit Language(const char *code) { Loc::shared().setOverride(QString::fromLatin1(code)); }
        ~Language() { Loc::shared().setOverride(std::nullopt); }
    };
    for (const char *code : {"zh-Hans", "en"}) {
        const Language language(code);
        for (const QString &path : {f.pdf, f.text, f.png, f.other})
            EXPECT_EQ(loadWithin(path).kindText, FileLister::kindOf(path, false)) << code << " " << path.toStdString();
    }
}

TEST(QuickLookContent, ShowsOnlyTheStartOfALargeTextWithoutBreakingACharacter)
{
    const QString path = TestSupport::root() + "/long.txt";
    // Three-byte characters, so the limit falls inside one of them.
    QByteArray bytes;
    while (bytes.size() <= QuickLookContent::textBytes * 2)
        bytes += "汉字";
    TestSupport::writeFile(path, bytes);
    const QString text = loadWithin(path).text;
    EXPECT_EQ(text.size(), QuickLookContent::textBytes / 3);
    EXPECT_FALSE(text.contains(QChar(QChar::ReplacementCharacter)));
}

class QuickLookWindow : public testing::Test
{
protected:
    void TearDown() override { QuickLook::shared().close(); }

    static QuickLook &window() { return QuickLook::shared(); }
    static QString page() { return window().findChild<QStackedWidget *>()->currentWidget()->objectName(); }
    static QString label(const char *name) { return window().findChild<QLabel *>(name)->text(); }
    static bool shown() { return waitFor([] { return !window().isLoading(); }, 5000); }
};

TEST_F(QuickLookWindow, ToggleOpensOnTheFirstItemAndClosesWhateverItIsGiven)
{
    const Files f;
    QuickLook::toggle({}); // nothing to show: stays closed
    EXPECT_FALSE(window().isVisible());

    QuickLook::toggle({f.text, f.png});
    ASSERT_TRUE(window().isVisible());
    EXPECT_EQ(window().index(), 0);
    EXPECT_EQ(label("quickLookCounter"), "1 / 2");
    EXPECT_TRUE(window().findChild<QLabel *>("quickLookCounter")->isVisible());
    EXPECT_EQ(window().windowTitle(), "notes.txt");

    QuickLook::toggle({}); // stays open
    EXPECT_TRUE(window().isVisible());

    QuickLook::toggle({f.pdf}); // other files while open: closes, keeps them
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(window().paths(), QStringList({f.pdf}));

    QuickLook::toggle({f.pdf});
    ASSERT_TRUE(window().isVisible());
    EXPECT_FALSE(window().findChild<QLabel *>("quickLookCounter")->isVisible()); // one item
    ASSERT_TRUE(shown());
    EXPECT_EQ(window().shownKind(), Kind::pdf);
}

TEST_F(QuickLookWindow, KeysStepThroughTheItemsAndClose)
{
    const Files f;
    for (const Qt::Key closer : {Qt::Key_Space, Qt::Key_Escape}) {
        QuickLook::toggle({f.png, f.text, f.folder});
        ASSERT_TRUE(window().isVisible());
        struct Step
        {
            Qt::Key key;
            int index;
        };
        for (const Step &step : {Step{Qt::Key_Left, 0}, Step{Qt::Key_Right, 1}, Step{Qt::Key_Right, 2},
                                 Step{Qt::Key_Right, 2}, Step{Qt::Key_Left, 1}}) {
            QTest::keyClick(&window(), step.key);
            EXPECT_EQ(window().index(), step.index);
            EXPECT_EQ(label("quickLookCounter"), QStringLiteral("%1 / 3").arg(step.index + 1));
        }
        QTest::keyClick(&window(), closer);
        EXPECT_FALSE(window().isVisible());
    }
}

TEST_F(QuickLookWindow, ShowsEachKindAndDropsResultsOfItemsLeftBehind)
{
    const Files f;
    const QStringList paths = {f.png, f.pdf, f.text, f.broken, f.markup, f.folder, f.fifo, f.missing};
    QuickLook::toggle(paths);
    // Stepping on at once: the reads of the items passed over must not show.
    for (int i = 1; i < paths.size(); ++i)
        QTest::keyClick(&window(), Qt::Key_Right);
    QTest::keyClick(&window(), Qt::Key_Home); // not a key of the window: changes nothing
    for (int i = 1; i < paths.size(); ++i)
        QTest::keyClick(&window(), Qt::Key_Left);
    ASSERT_EQ(window().index(), 0);

    struct Expect
    {
        const char *page;
        QString shownText; // the text view's or the facts' name
    };
    const QList<Expect> expected = {
        {"quickLookPicture", {}},
        {"quickLookPicture", {}},
        {"quickLookText", "第一行 first line\nsecond line\n"},
        {"quickLookText", QStringLiteral("good \uFFFD\uFFFD bytes\nand more")},
        {"quickLookText", "<b>x</b> stays as typed"},
        {"quickLookFacts", "a folder"},
        {"quickLookFacts", "pipe.txt"},
        {"quickLookFacts", "gone.png"},
    };
    for (int i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i].toStdString());
        window().showItem(i);
        ASSERT_TRUE(shown());
        QTest::qWait(10); // a late result of another item would land here
        EXPECT_EQ(page(), expected[i].page);
        if (expected[i].page == QLatin1String("quickLookText"))
            EXPECT_EQ(window().findChild<QPlainTextEdit *>("quickLookText")->toPlainText(),
                      expected[i].shownText);
        if (expected[i].page == QLatin1String("quickLookFacts"))
            EXPECT_EQ(label("quickLookFactsName"), expected[i].shownText);
    }
    // Data shows as typed: the markup name is plain text in the title and name.
    window().showItem(4);
    for (QLabel *label : window().findChildren<QLabel *>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    EXPECT_EQ(window().windowTitle(), "<b>x<i>.txt");
}

} // namespace
