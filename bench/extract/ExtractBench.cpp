// Text-layer PDF extraction per page against pdftotext, and recognition of one A4 page at
// the size the PDF reader draws it against the tesseract command-line tool, on the same
// files in the same run.
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

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir folder(QDir::tempPath() + "/marovel-bench-XXXXXX");
    if (!folder.isValid())
        return 1;

    // A 20-page A4 document with a text layer: 48 lines of about 90 characters a page.
    constexpr int pageCount = 20;
    Fixtures::PdfBuilder builder;
    for (int p = 0; p < pageCount; ++p) {
        Fixtures::PdfBuilder::Page page;
        page.size = QSizeF(595, 842);
        page.fontSize = 8;
        for (int line = 0; line < 48; ++line)
            page.lines << QString("Page %1 line %2: the quick brown fox jumps over the lazy dog, "
                                  "invoice 2024-03-15 total 1234.56")
                              .arg(p + 1)
                              .arg(line + 1);
        builder.addPage(page);
    }
    const QString pdf = folder.filePath("text.pdf");
    QFile file(pdf);
    file.open(QIODevice::WriteOnly);
    file.write(builder.build());
    file.close();

    const auto noRecognition = [](const QImage &) { return QString(); };
    qsizetype characters = 0;
    const double ours =
        medianSeconds(7, [&] { characters = PdfReader::forIndex(pdf, noRecognition).text.size(); });
    bool toolOk = true;
    const double pdftotext = medianSeconds(7, [&] {
        toolOk = runTool("pdftotext", {"-enc", "UTF-8", pdf, "-"}) && toolOk;
    });
    std::printf("extract: text-layer PDF, %d A4 pages (%lld characters)\n", pageCount,
                static_cast<long long>(characters));
    std::printf("  Marovel   %.2f ms/page\n", ours * 1000 / pageCount);
    if (toolOk)
        std::printf("  pdftotext %.2f ms/page (process start included)\n  ratio %.2f\n",
                    pdftotext * 1000 / pageCount, ours / pdftotext);
    else
        std::printf("  pdftotext not available (poppler-utils)\n");

    // One A4 page drawn at the recognition size (2200 points on the longer side).
    const double scale = PdfReader::renderScale(QSizeF(595, 842));
    const QSize pixels(qRound(595 * scale), qRound(842 * scale));
    QStringList lines;
    for (int i = 0; i < 24; ++i)
        lines << (i % 2 ? QString("Invoice %1 issued 2024-03-15, total amount %2.56 CNY")
                              .arg(10000 + i)
                              .arg(i * 37)
                        : QString("增值税电子普通发票 第%1行 开票日期：2024年03月15日 价税合计")
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
    std::printf("extract: recognition of one A4 page, %dx%d pixels, Chinese and English (%lld "
                "characters read)\n",
                pixels.width(), pixels.height(), static_cast<long long>(first.size()));
    std::printf("  Marovel   %.2f s (%.2f s with the engine's first load)\n", warm, coldSeconds);
    if (toolOk)
        std::printf(
            "  tesseract %.2f s (command line, chi_sim+eng, OMP_THREAD_LIMIT=1)\n  ratio %.2f\n",
            cli, warm / cli);
    else
        std::printf("  tesseract command line not available (tesseract-ocr)\n");
    return 0;
}
