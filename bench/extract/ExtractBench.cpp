// Content extraction against the poppler and tesseract command-line tools, whole process
// against whole process:
//   extract_bench make-pdf FILE PAGES   writes a text-layer A4 document of PAGES pages
//   extract_bench pdf-text FILE         prints the index reader's text of FILE, as
//                                       `pdftotext -enc UTF-8 FILE -` prints poppler's
//   extract_bench ocr                   recognition of one A4 page against tesseract
#include "Extractor.h"
#include "Fixtures.h"
#include "PdfReader.h"
#include "TextRecognition.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double medianSeconds(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        times << clock.nsecsElapsed() / 1e9;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool runTool(const QString &program, const QStringList &arguments, bool singleThread = false)
{
    QProcess process;
    if (singleThread) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("OMP_THREAD_LIMIT", "1");
        process.setProcessEnvironment(environment);
    }
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(300000) && process.exitCode() == 0;
}


// A4 pages of 30 lines of about 90 Latin characters and 6 lines of Chinese: 50 pages stay
// below the index reader's cut of 200,000 characters.
int makePdf(const QString &path, int pageCount)
{
    Fixtures::PdfBuilder builder;
    for (int p = 0; p < pageCount; ++p) {
        Fixtures::PdfBuilder::Page page;
        page.size = QSizeF(595, 842);
        page.fontSize = 8;
        for (int line = 0; line < 30; ++line)
            page.lines << QString("Page %1 line %2: the quick brown fox jumps over the lazy dog, "
                                  "invoice 2024-03-15 total 1234.56")
                              .arg(p + 1)
                              .arg(line + 1);
        for (int line = 0; line < 6; ++line)
            page.lines << QString::fromUtf8("第%1页 增值税电子普通发票 开票日期：2024年03月15日 价税合计")
                              .arg(p + 1);
        builder.addPage(page);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(builder.build()) < 0)
        return 1;
    return 0;
}

int pdfText(const QString &path)
{
    const auto noRecognition = [](const QImage &) { return QString(); };
    const Extraction result = PdfReader::forIndex(path, noRecognition);
    const QByteArray text = result.text.toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return result.source == ContentSource::pdfText ? 0 : 1;
}

int ocr()
{
    QTemporaryDir folder(QDir::tempPath() + "/marovel-bench-XXXXXX");
    if (!folder.isValid())
        return 1;
    bool toolOk = true;
    // One A4 page drawn at the recognition size (2200 points on the longer side).
    const double scale = PdfReader::renderScale(QSizeF(595, 842));
    const QSize pixels(qRound(595 * scale), qRound(842 * scale));
    QStringList lines;
    for (int i = 0; i < 24; ++i)
        lines << (i % 2 ? QString("Invoice %1 issued 2024-03-15, total amount %2.56 CNY")
                              .arg(10000 + i)
                              .arg(i * 37)
                        : QString::fromUtf8("增值税电子普通发票 第%1行 开票日期：2024年03月15日 价税合计")
                              .arg(i));
    const QImage page = Fixtures::paintedText(lines, "Noto Sans CJK SC", 40, pixels);
    const QString png = folder.filePath("page.png");
    page.save(png, "PNG");

    QElapsedTimer cold;
    cold.start();
    const QString first = TextRecognition::recognize(page, "zh-Hans", std::chrono::minutes(5));
    const double coldSeconds = cold.nsecsElapsed() / 1e9;
    const double warm = medianSeconds(
        3, [&] { TextRecognition::recognize(page, "zh-Hans", std::chrono::minutes(5)); });
    const double cli = medianSeconds(3, [&] {
        toolOk = runTool("tesseract", {png, "-", "-l", "chi_sim+eng"}, true);
    });
    std::printf("  recognition of one A4 page, %dx%d pixels, Chinese and English (%lld characters "
                "read)\n",
                pixels.width(), pixels.height(), static_cast<long long>(first.size()));
    std::printf("  Marovel   %.2f s with the engine loaded (%.2f s with its first load)\n", warm,
                coldSeconds);
    if (!toolOk) {
        std::printf("  tesseract command line not available (tesseract-ocr)\n");
        return 1;
    }
    std::printf("  tesseract %.2f s (command line, chi_sim+eng, OMP_THREAD_LIMIT=1, its own load "
                "included)\n",
                cli);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"make-pdf")
        return makePdf(args[2], args[3].toInt());
    if (args.size() == 3 && args[1] == u"pdf-text")
        return pdfText(args[2]);
    if (args.size() == 2 && args[1] == u"ocr")
        return ocr();
    std::fprintf(stderr, "usage: extract_bench make-pdf FILE PAGES | pdf-text FILE | ocr\n");
    return 2;
}
