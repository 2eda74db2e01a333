// Text recognition with the real tesseract engine on images painted by the test.
#include "Extractor.h"
#include "Fixtures.h"
#include "Localization.h"
#include "TestSupport.h"
#include "TextRecognition.h"

#include <QDir>

#include <gtest/gtest.h>

#include <thread>

namespace {

QStringList captured;

void capture(QtMsgType, const QMessageLogContext &, const QString &message)
{
    captured << message;
}

QString savePng(const QString &name, const QImage &image)
{
    const QString path = QDir(TestSupport::root()).filePath(name);
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

} // namespace

TEST(TextRecognition, LanguagesFollowTheInterfaceLanguage)
{
    EXPECT_EQ(TextRecognition::languages("en"),
              QStringList({"en-US", "zh-Hans", "zh-Hant", "ja-JP", "ru-RU"}));
    EXPECT_EQ(TextRecognition::languages("zh-Hans"),
              QStringList({"zh-Hans", "zh-Hant", "en-US", "ja-JP", "ru-RU"}));
    EXPECT_EQ(TextRecognition::passes("en"),
              QStringList({"eng+chi_sim", "eng+chi_tra", "eng+jpn", "eng+rus"}));
    EXPECT_EQ(TextRecognition::passes("zh-Hans"),
              QStringList({"chi_sim+eng", "chi_tra+eng", "eng+jpn", "eng+rus"}));
}

TEST(TextRecognition, SpacesBetweenCjkCharactersAreRemoved)
{
    const std::pair<QString, QString> cases[] = {
        {"发 票 号 码", "发票号码"},
        {"开票 日期 : 2024 年 03 月 15 日", "开票日期 : 2024年03月15日"},
        {"共 3 页", "共3页"},
        {"Invoice 2024 发票", "Invoice 2024发票"},
        {"Room 12 B", "Room 12 B"},
        {"请求书 株式 会社", "请求书株式会社"},
        {"Total due 1,234.56", "Total due 1,234.56"},
        {"价税合计 （大写）", "价税合计（大写）"},
        {"  ", "  "},
        // A wider gap separates two columns.
        {"名 称 ： 甲 公 司     名 称 ： 乙 公 司", "名称：甲公司     名称：乙公司"},
        {"𠀀 𠀁", "𠀀𠀁"}, // supplementary ideographs
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(TextRecognition::joinCjk(in), out) << in.toStdString();
}

TEST(TextRecognition, ChineseAndEnglishImage)
{
    const QImage image = Fixtures::paintedText(
        {QStringLiteral("增值税电子普通发票"), QStringLiteral("开票日期：2024年03月15日"),
         QStringLiteral("价税合计 ¥1,234.56"), QStringLiteral("Invoice number 12345678")},
        QStringLiteral("Noto Sans CJK SC"), 36, QSize(1000, 330));
    const QString path = savePng("receipt.PNG", image);

    const Extraction result = Extractor::extract(path, false);
    EXPECT_EQ(result.source, "image-ocr");
    for (const char *word :
         {"增值税电子普通发票", "开票日期", "2024年03月15", "价税合计", "Invoice", "12345678"})
        EXPECT_TRUE(result.text.contains(QString::fromUtf8(word))) << word << "\n"
                                                                   << result.text.toStdString();
    // One line per text line, no blank lines.
    EXPECT_EQ(result.text.count('\n'), 3) << result.text.toStdString();
}

TEST(TextRecognition, JapaneseTextIsReadByTheJapanesePass)
{
    // The simplified Chinese pass is not confident on kana; the Japanese pass wins.
    const QImage image = Fixtures::paintedText(
        {QStringLiteral("請求書 株式会社サンプル"), QStringLiteral("発行日：2024年3月15日"),
         QStringLiteral("合計金額 12,345円")},
        QStringLiteral("Noto Sans CJK JP"), 36, QSize(1000, 260));
    const QString text = TextRecognition::recognize(image, QStringLiteral("zh-Hans"));
    for (const char *word : {"請求書", "株式会社サンプル", "発行日"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(word))) << word << "\n" << text.toStdString();
}

TEST(TextRecognition, FailuresGiveEmptyText)
{
    // Undecodable and missing image files, a null and a tiny bitmap.
    const QString garbage = QDir(TestSupport::root()).filePath("photo.jpg");
    TestSupport::writeFile(garbage, "not a picture");
    EXPECT_EQ(Extractor::extract(garbage, false), (Extraction{"", "image-ocr"}));
    EXPECT_EQ(Extractor::extractForIndex(QDir(TestSupport::root()).filePath("gone.png")),
              (Extraction{"", "image-ocr"}));
    EXPECT_EQ(Extractor::ocrBitmap(QImage()), "");
    QImage tiny(2, 2, QImage::Format_RGB32);
    tiny.fill(Qt::white);
    EXPECT_EQ(Extractor::ocrBitmap(tiny), "");
    // A blank page has no text.
    QImage blank(400, 300, QImage::Format_RGB32);
    blank.fill(Qt::white);
    EXPECT_EQ(Extractor::ocrBitmap(blank), "");
}

TEST(TextRecognition, DeadlineStopsRecognitionAndIsLogged)
{
    const QImage image = Fixtures::paintedText(
        QStringList(12, QStringLiteral("Invoice number 12345678 issued on 2024-03-15 发票")),
        QStringLiteral("Noto Sans CJK SC"), 30, QSize(1400, 700));
    captured.clear();
    const QtMessageHandler previous = qInstallMessageHandler(capture);
    const QString text =
        TextRecognition::recognize(image, QStringLiteral("zh-Hans"), std::chrono::milliseconds(1));
    qInstallMessageHandler(previous);
    EXPECT_EQ(text, "");
    EXPECT_TRUE(captured.contains(QStringLiteral("Marovel: OCR 超时(>10s)，跳过内容读取")))
        << captured.join('\n').toStdString();
}

// A long recognition on another thread, stopped half a second in; then a later read.
bool stopWhileRecognising()
{
    QStringList lines;
    for (int i = 0; i < 40; ++i)
        lines << QStringLiteral("Invoice number %1 issued on 2024-03-15 发票号码").arg(i);
    const QImage page =
        Fixtures::paintedText(lines, QStringLiteral("Noto Sans CJK SC"), 30, QSize(1500, 2200));
    captured.clear();
    qInstallMessageHandler(capture);
    QString text = QStringLiteral("not finished");
    std::thread reader([&] {
        text = TextRecognition::recognize(page, QStringLiteral("zh-Hans"), std::chrono::minutes(2));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Extractor::stopAll();
    reader.join();
    const QString later = QDir(TestSupport::root()).filePath("later.txt");
    TestSupport::writeFile(later, "words");
    return text.isEmpty() && captured.isEmpty() &&
           Extractor::extract(later, false) == Extraction{"", "text"};
}

TEST(TextRecognitionDeathTest, StopAllEndsRecognitionsInProgress)
{
    // Stopping is for the end of the process and cannot be undone: it runs in a child.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // _Exit: the child ends without the application torn down, which is no leak to report.
    EXPECT_EXIT(std::_Exit(stopWhileRecognising() ? 0 : 1), testing::ExitedWithCode(0), "");
}
