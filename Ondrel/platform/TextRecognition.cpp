#include "TextRecognition.h"

#include "Localization.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMutex>
#include <QPainter>
#include <QSet>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <dlfcn.h>

#include <atomic>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace TextRecognition {

namespace {

std::atomic<bool> stopFlag{false};

bool cancelWhenStopped(void *, int)
{
    return stopFlag.load(std::memory_order_relaxed);
}

void logLine(const QString &line)
{
    qWarning().noquote() << line;
}

void logFailure(const QString &description)
{
    logLine(QStringLiteral("Marovel: OCR 失败 ") + description);
}

// A language whose data cannot be loaded is reported once per process, not per image.
void logMissingOnce(const QString &languages)
{
    static QMutex mutex;
    static QSet<QString> reported;
    QMutexLocker locker(&mutex);
    if (reported.contains(languages))
        return;
    reported.insert(languages);
    logFailure(QStringLiteral("cannot load recognition data for ") + languages);
}

// Tesseract's LSTM layers run OpenMP teams of several threads per recognition; when
// several recognitions run at once these only compete for the same cores. Switching
// parallel regions off for this thread is the run-time form of OMP_THREAD_LIMIT=1 (the
// variable itself is read once, when the OpenMP runtime loads).
void limitToOneThread()
{
    thread_local bool done = false;
    if (done)
        return;
    done = true;
    using SetLevels = void (*)(int);
    if (auto set = reinterpret_cast<SetLevels>(::dlsym(RTLD_DEFAULT, "omp_set_max_active_levels")))
        set(0);
}

// One thread's engines, one per pass, loaded when first needed and kept (loading costs a
// few tenths of a second; a pass's data some tens of megabytes).
class Engines
{
public:
    tesseract::TessBaseAPI *engine(const QString &languages)
    {
        auto found = m_engines.find(languages);
        if (found != m_engines.end())
            return found->second.get();
        auto api = std::make_unique<tesseract::TessBaseAPI>();
        api->SetVariable("debug_file", "/dev/null");
        if (api->Init(nullptr, languages.toUtf8().constData(), tesseract::OEM_LSTM_ONLY) != 0) {
            logMissingOnce(languages);
            api.reset();
        }
        return m_engines.emplace(languages, std::move(api)).first->second.get();
    }

private:
    std::map<QString, std::unique_ptr<tesseract::TessBaseAPI>> m_engines;
};

Engines &threadEngines()
{
    thread_local Engines engines;
    return engines;
}

// Another language is tried on the whole image only when it reads the sample lines with
// this much more confidence.
constexpr int sampleMargin = 10;
constexpr qsizetype sampleLines = 2;

bool isCjk(char32_t c)
{
    return (c >= 0x3000 && c <= 0x303F)       // CJK symbols and punctuation
           || (c >= 0x3040 && c <= 0x30FF)    // kana
           || (c >= 0x31F0 && c <= 0x31FF)    // kana extensions
           || (c >= 0x3400 && c <= 0x4DBF)    // ideographs, extension A
           || (c >= 0x4E00 && c <= 0x9FFF)    // unified ideographs
           || (c >= 0xF900 && c <= 0xFAFF)    // compatibility ideographs
           || (c >= 0xFF01 && c <= 0xFF60)    // full-width forms
           || (c >= 0xFFE0 && c <= 0xFFE6)    // full-width signs
           || (c >= 0x20000 && c <= 0x3FFFF); // supplementary ideographs
}

bool isDigit(char32_t c)
{
    return c >= '0' && c <= '9';
}

// Chinese and Japanese set no spaces between characters, nor between a number and the
// character that counts it ("2024年", "3页"); tesseract puts them in.
bool joins(char32_t before, char32_t after)
{
    return (isCjk(before) && isCjk(after)) || (isDigit(before) && isCjk(after)) ||
           (isCjk(before) && isDigit(after));
}

// An 8-bit grey copy of the image with transparency laid on white.
QImage greyscale(const QImage &image)
{
    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        painter.end();
        return flat.convertToFormat(QImage::Format_Grayscale8);
    }
    return image.convertToFormat(QImage::Format_Grayscale8);
}

struct Line
{
    QRect box;
    int confidence = 0;
};

struct PassResult
{
    enum Outcome { Done, TimedOut, Failed, Unavailable } outcome = Failed;
    QString text;
    int confidence = -1;
    QList<Line> lines;
};

// Waits for a recognition with what is left of the time limit.
bool recognizeWithin(tesseract::TessBaseAPI *api, std::chrono::milliseconds remaining,
                     PassResult::Outcome *outcome)
{
    tesseract::ETEXT_DESC monitor;
    monitor.set_deadline_msecs(static_cast<int32_t>(std::max<qint64>(1, remaining.count())));
    monitor.cancel = &cancelWhenStopped;
    const int status = api->Recognize(&monitor);
    if (stopped()) {
        *outcome = PassResult::Unavailable;
        return false;
    }
    if (monitor.deadline_exceeded()) {
        *outcome = PassResult::TimedOut;
        return false;
    }
    if (status != 0) {
        *outcome = PassResult::Failed;
        return false;
    }
    return true;
}

PassResult runPass(const QImage &grey, int dpi, const QString &languages,
                   std::chrono::milliseconds remaining)
{
    PassResult result;
    tesseract::TessBaseAPI *api = threadEngines().engine(languages);
    if (!api) {
        result.outcome = PassResult::Unavailable;
        return result;
    }
    api->SetPageSegMode(tesseract::PSM_AUTO);
    api->SetImage(grey.constBits(), grey.width(), grey.height(), 1,
                  static_cast<int>(grey.bytesPerLine()));
    if (dpi >= 70 && dpi <= 2400)
        api->SetSourceResolution(dpi);
    if (!recognizeWithin(api, remaining, &result.outcome)) {
        if (result.outcome == PassResult::Failed)
            logFailure(QStringLiteral("recognition failed (") + languages + QLatin1Char(')'));
        api->Clear();
        return result;
    }

    QStringList texts;
    std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
    if (it) {
        do {
            std::unique_ptr<char[]> line(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
            if (!line)
                continue;
            const QString text = joinCjk(QString::fromUtf8(line.get()).trimmed());
            if (text.isEmpty())
                continue;
            texts << text;
            int left = 0, top = 0, right = 0, bottom = 0;
            if (it->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom))
                result.lines << Line{QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)),
                                     qRound(it->Confidence(tesseract::RIL_TEXTLINE))};
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    result.outcome = PassResult::Done;
    result.text = texts.join(QLatin1Char('\n'));
    result.confidence = result.text.isEmpty() ? 0 : api->MeanTextConf();
    api->Clear();
    return result;
}

// The mean confidence of another pass on a few lines of the image, each read as a single
// line: a quick test of whether that pass would read the image better.
std::optional<int> sampleConfidence(const QImage &grey, const QString &languages,
                                    const QList<Line> &sample,
                                    const std::function<std::chrono::milliseconds()> &remaining)
{
    tesseract::TessBaseAPI *api = threadEngines().engine(languages);
    if (!api || sample.isEmpty())
        return std::nullopt;
    api->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
    api->SetImage(grey.constBits(), grey.width(), grey.height(), 1,
                  static_cast<int>(grey.bytesPerLine()));
    int total = 0;
    for (const Line &line : sample) {
        const int margin = std::max(2, line.box.height() / 5);
        const QRect box = line.box.adjusted(-margin, -margin, margin, margin) & grey.rect();
        api->SetRectangle(box.left(), box.top(), box.width(), box.height());
        PassResult::Outcome outcome;
        if (!recognizeWithin(api, remaining(), &outcome)) {
            api->Clear();
            api->SetPageSegMode(tesseract::PSM_AUTO);
            return std::nullopt;
        }
        total += api->MeanTextConf();
    }
    api->Clear();
    api->SetPageSegMode(tesseract::PSM_AUTO);
    return total / int(sample.size());
}

// The least confident lines of a pass (at most `count`), the best place to see whether
// another language reads the image better.
QList<Line> weakestLines(QList<Line> lines, qsizetype count)
{
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line &a, const Line &b) { return a.confidence < b.confidence; });
    lines.erase(
        std::remove_if(lines.begin(), lines.end(),
                       [](const Line &l) { return l.box.width() < 8 || l.box.height() < 8; }),
        lines.end());
    return lines.mid(0, count);
}

} // namespace

QStringList languages(const QString &interfaceLanguage)
{
    if (interfaceLanguage == QLatin1String("en"))
        return {"en-US", "zh-Hans", "zh-Hant", "ja-JP", "ru-RU"};
    return {"zh-Hans", "zh-Hant", "en-US", "ja-JP", "ru-RU"};
}

QString tesseractName(const QString &language)
{
    static const std::map<QString, QString> names = {{"en-US", "eng"},
                                                     {"zh-Hans", "chi_sim"},
                                                     {"zh-Hant", "chi_tra"},
                                                     {"ja-JP", "jpn"},
                                                     {"ru-RU", "rus"}};
    const auto found = names.find(language);
    return found == names.end() ? QString() : found->second;
}

QStringList passes(const QString &interfaceLanguage)
{
    const QStringList ordered = languages(interfaceLanguage);
    const qsizetype englishAt = ordered.indexOf(QStringLiteral("en-US"));
    QStringList result;
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        if (i == englishAt)
            continue;
        const QString name = tesseractName(ordered[i]);
        result << (i < englishAt ? name + QStringLiteral("+eng") : QStringLiteral("eng+") + name);
    }
    return result;
}

QString joinCjk(const QString &line)
{
    const QList<uint> chars = line.toUcs4();
    QString out;
    out.reserve(line.size());
    char32_t last = 0;
    for (qsizetype i = 0; i < chars.size(); ++i) {
        if (chars[i] == ' ' && (isCjk(last) || isDigit(last))) {
            qsizetype next = i;
            while (next < chars.size() && chars[next] == ' ')
                ++next;
            // Only a single space is noise; a wider gap separates two columns.
            if (next == i + 1 && next < chars.size() && joins(last, chars[next])) {
                i = next - 1;
                continue;
            }
        }
        last = chars[i];
        if (QChar::requiresSurrogates(last)) {
            out += QChar(QChar::highSurrogate(last));
            out += QChar(QChar::lowSurrogate(last));
        } else {
            out += QChar(char16_t(last));
        }
    }
    return out;
}

void stopAll()
{
    stopFlag = true;
}

bool stopped()
{
    return stopFlag.load(std::memory_order_relaxed);
}

QString recognize(const QImage &image, std::chrono::milliseconds limit)
{
    return recognize(image, Loc::shared().language(), limit);
}

QString recognize(const QImage &image, const QString &interfaceLanguage,
                  std::chrono::milliseconds limit)
{
    if (image.isNull() || image.width() < 4 || image.height() < 4 || stopped())
        return {};
    try {
        limitToOneThread();
        const QImage grey = greyscale(image);
        if (grey.isNull())
            return {};
        const int dpi = qRound(image.dotsPerMeterX() * 0.0254);
        QElapsedTimer clock;
        clock.start();
        const auto remaining = [&] { return limit - std::chrono::milliseconds(clock.elapsed()); };
        const auto isChinese = [](const QString &pass) {
            return pass.contains(QLatin1String("chi_"));
        };

        // The first pass that can run reads the whole image.
        const QStringList order = passes(interfaceLanguage);
        PassResult best;
        qsizetype next = 0;
        while (next < order.size() && best.outcome != PassResult::Done && !stopped()) {
            if (remaining().count() <= 0) {
                best.outcome = PassResult::TimedOut;
                break;
            }
            best = runPass(grey, dpi, order[next++], remaining());
            if (best.outcome == PassResult::TimedOut)
                break;
        }
        if (best.outcome == PassResult::TimedOut) {
            logLine(QStringLiteral("Marovel: OCR 超时(>10s)，跳过内容读取"));
            return {};
        }
        if (best.outcome != PassResult::Done)
            return {};
        if (best.confidence >= confidentPass || best.text.isEmpty())
            return best.text;

        // Not confident: try the later languages on the weakest lines, and read the whole
        // image with the first one that does clearly better there. Chinese is read once.
        // The sample is read again by the first pass's engine in the same way, so that the
        // languages are compared on equal terms.
        const bool chineseRead = isChinese(order[next - 1]);
        const QList<Line> sample = weakestLines(best.lines, sampleLines);
        const auto sampleBase = sampleConfidence(grey, order[next - 1], sample, remaining);
        if (!sampleBase)
            return best.text;
        for (; next < order.size() && remaining().count() > 0 && !stopped(); ++next) {
            if (chineseRead && isChinese(order[next]))
                continue;
            const auto confidence = sampleConfidence(grey, order[next], sample, remaining);
            if (!confidence || *confidence <= *sampleBase + sampleMargin)
                continue;
            PassResult other = runPass(grey, dpi, order[next], remaining());
            if (other.outcome == PassResult::Done && other.confidence > best.confidence)
                best = other;
            break;
        }
        return best.text;
    } catch (const std::exception &error) {
        logFailure(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        logFailure(QStringLiteral("unknown error"));
    }
    return {};
}

} // namespace TextRecognition
