#include "Extractor.h"

#include "OfficeReader.h"
#include "OnlineOnly.h"
#include "PdfReader.h"
#include "TextDecoding.h"
#include "TextRecognition.h"
#include "TextUtil.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QThreadPool>
#include <QtConcurrent>

namespace {

bool oversized(const QFileInfo &info)
{
    return info.exists() && info.size() > Extractor::sizeLimit;
}

// Only regular files are read: a pipe or a device named like a document would block the
// reader or never end.
bool readableFile(const QFileInfo &info)
{
    return info.isFile();
}

// A plain-text file as UTF-8 (ill-formed bytes repaired to U+FFFD), cut to `limit`
// characters. Only as much of the file is read as the cut needs.
QString readText(const QString &path, qsizetype limit)
{
    const QFileInfo info(path);
    if (!readableFile(info) || oversized(info))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes;
    qint64 target = 64 * 1024;
    for (;;) {
        target = std::min<qint64>(target, Extractor::sizeLimit);
        bool atEnd = false;
        while (bytes.size() < target) {
            const QByteArray more = file.read(target - bytes.size());
            if (more.isEmpty()) {
                atEnd = true;
                break;
            }
            bytes += more;
        }
        atEnd = atEnd || bytes.size() >= Extractor::sizeLimit;
        // Chinese text files are often in GB18030 (GBK): read as such when the bytes are
        // not UTF-8 and the detector is sure; else UTF-8 with repair.
        const QString text = TextDecoding::utf8(bytes, atEnd);
        if (text.contains(QChar(QChar::ReplacementCharacter))) {
            if (const auto charset = TextDecoding::detectChineseCharset(bytes)) {
                // Two bytes per character in GBK (four for the rarest): enough for the cut.
                const qint64 needed = std::min<qint64>(limit * 4 + 4, Extractor::sizeLimit);
                while (!atEnd && bytes.size() < needed) {
                    const QByteArray more = file.read(needed - bytes.size());
                    if (more.isEmpty())
                        break;
                    bytes += more;
                }
                if (const auto decoded = TextDecoding::decode(bytes, *charset))
                    return Extractor::cut(Extractor::foldRadicals(*decoded), limit);
            }
        }
        if (atEnd || TextUtil::graphemeCount(text) > limit)
            return Extractor::cut(Extractor::foldRadicals(text), limit);
        target *= 4;
    }
}

// The label of the branch a path takes, for a reader that gives nothing.
QString emptyLabel(const QString &path, bool forIndex)
{
    const QString ext = Extractor::pathExtension(path);
    if (ext == QLatin1String("pdf"))
        return ContentSource::pdf;
    if (Extractor::imageExt().contains(ext))
        return ContentSource::imageOcr;
    if (Extractor::officeExt().contains(ext))
        return ContentSource::office;
    if (Extractor::textExt().contains(ext))
        return ContentSource::text;
    return forIndex ? ContentSource::metadata : ContentSource::skip;
}

QString readOffice(const QString &path, qsizetype limit)
{
    const QFileInfo info(path);
    const bool bundle = info.isDir() && Extractor::pathExtension(path) == QLatin1String("rtfd");
    if ((!readableFile(info) && !bundle) || oversized(info))
        return {};
    return Extractor::cut(Extractor::foldRadicals(OfficeReader::read(path, limit)), limit);
}

Extraction dispatch(const QString &path, bool forIndex)
{
    if (Extractor::stopped())
        return {QString(), emptyLabel(path, forIndex)};
    const QString ext = Extractor::pathExtension(path);
    const qsizetype limit = forIndex ? Extractor::indexCut : Extractor::namingCut;
    if (ext == QLatin1String("pdf"))
        return forIndex ? Extractor::extractPDFForIndex(path) : Extractor::extractPDF(path);
    if (Extractor::imageExt().contains(ext))
        return {Extractor::cut(Extractor::ocrImage(path), limit), ContentSource::imageOcr};
    if (Extractor::officeExt().contains(ext))
        return {readOffice(path, limit), ContentSource::office};
    if (Extractor::textExt().contains(ext))
        return {readText(path, limit), ContentSource::text};
    return {QString(), forIndex ? ContentSource::metadata : ContentSource::skip};
}

// Guards the promise that readers never throw: anything thrown below (an allocation
// failure, a library's exception) becomes empty text with the label of the branch.
template<typename Read> Extraction guarded(const QString &path, bool forIndex, Read read)
{
    try {
        return read();
    } catch (...) {
        return {QString(), emptyLabel(path, forIndex)};
    }
}

} // namespace

const QSet<QString> &Extractor::imageExt()
{
    static const QSet<QString> set = {"png",  "jpg", "jpeg", "heic", "heif",
                                      "webp", "gif", "tiff", "tif",  "bmp"};
    return set;
}

const QSet<QString> &Extractor::officeExt()
{
    static const QSet<QString> set = {"doc",  "docx", "rtf",        "odt",  "rtfd",
                                      "html", "htm",  "webarchive", "pages"};
    return set;
}

const QSet<QString> &Extractor::textExt()
{
    static const QSet<QString> set = {"txt",   "md",  "markdown", "csv",  "tsv", "json", "log",
                                      "yaml",  "yml", "py",       "js",   "ts",  "tsx",  "jsx",
                                      "swift", "go",  "rs",       "java", "c",   "cpp",  "h",
                                      "sh",    "sql", "xml",      "srt",  "vtt"};
    return set;
}

bool Extractor::isOnlineOnly(const QString &path)
{
    try {
        return OnlineOnly::shared()->isOnlineOnly(path);
    } catch (...) {
        return false;
    }
}

Extraction Extractor::extract(const QString &path, bool allowDownload)
{
    return guarded(path, false, [&]() -> Extraction {
        const auto cloud = OnlineOnly::shared();
        if (cloud->isOnlineOnly(path)) {
            if (!allowDownload)
                return {QString(), ContentSource::online};
            cloud->startDownloading(path);
            for (int pass = 0; pass < downloadPasses; ++pass) {
                if (!cloud->isOnlineOnly(path))
                    break;
                cloud->materialize(path);
                if (!cloud->isOnlineOnly(path))
                    break;
                cloud->pause(downloadPause);
            }
            if (cloud->isOnlineOnly(path))
                return {QString(), ContentSource::online};
        }
        return dispatch(path, false);
    });
}

Extraction Extractor::extractForIndex(const QString &path)
{
    return guarded(path, true, [&]() -> Extraction {
        if (OnlineOnly::shared()->isOnlineOnly(path))
            return {QString(), ContentSource::online};
        return dispatch(path, true);
    });
}

QThreadPool &Extractor::pool()
{
    // Destroyed at exit before the recognition and PDF libraries it uses (it is made after
    // them): readers are stopped first, so the wait for its threads is short.
    struct Pool
    {
        Pool()
        {
            threads.setMaxThreadCount(std::clamp(QThread::idealThreadCount(), 1, 3));
            threads.setExpiryTimeout(-1); // keep each thread's recognition engines loaded
        }
        ~Pool()
        {
            stopAll();
            threads.waitForDone();
        }
        QThreadPool threads;
    };
    static Pool pool;
    return pool.threads;
}

void Extractor::stopAll()
{
    TextRecognition::stopAll();
}

bool Extractor::stopped()
{
    return TextRecognition::stopped();
}

QFuture<Extraction> Extractor::extractAsync(const QString &path, bool allowDownload)
{
    return QtConcurrent::run(&pool(),
                             [path, allowDownload] { return extract(path, allowDownload); });
}

QFuture<Extraction> Extractor::extractForIndexAsync(const QString &path)
{
    return QtConcurrent::run(&pool(), [path] { return extractForIndex(path); });
}

Extractor::ExtractionQuality Extractor::quality(const QString &source)
{
    if (source == ContentSource::pdfText || source == ContentSource::text ||
        source == ContentSource::office)
        return ExtractionQuality::textual;
    if (source == ContentSource::pdfOcr || source == ContentSource::imageOcr)
        return ExtractionQuality::ocr;
    if (source == ContentSource::pdf)
        return ExtractionQuality::pdfNoText;
    return ExtractionQuality::other;
}

Extraction Extractor::extractPDF(const QString &path)
{
    try {
        if (readableFile(QFileInfo(path)) && !stopped())
            return PdfReader::forNaming(path, &Extractor::ocrBitmap);
    } catch (...) {
    }
    return {QString(), ContentSource::pdf};
}

Extraction Extractor::extractPDFForIndex(const QString &path)
{
    try {
        if (readableFile(QFileInfo(path)) && !stopped())
            return PdfReader::forIndex(path, &Extractor::ocrBitmap);
    } catch (...) {
    }
    return {QString(), ContentSource::pdf};
}

QString Extractor::ocrImage(const QString &path)
{
    try {
        if (!readableFile(QFileInfo(path)))
            return {};
        QImageReader reader(path);
        reader.setAutoTransform(true); // upright, as the camera meant it
        const QImage image = reader.read();
        if (image.isNull())
            return {};
        return foldRadicals(ocrBitmap(image));
    } catch (...) {
        return {};
    }
}

QString Extractor::ocrBitmap(const QImage &image)
{
    return TextRecognition::recognize(image);
}

bool Extractor::isReadable(const QString &text)
{
    if (text.isEmpty())
        return false;
    qsizetype total = 0, good = 0;
    // Scalars read in place, without a UTF-32 copy of a whole document; a surrogate
    // without its partner counts as U+FFFD, as toUcs4() would give it.
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = QChar::ReplacementCharacter;
        }
        ++total;
        if (c == 0x09 || c == 0x0A || c == 0x20 || (c >= 0x2E80 && c <= 0xFAFF)) {
            ++good;
            continue;
        }
        switch (QChar::category(c)) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Letter_Titlecase:
        case QChar::Letter_Modifier:
        case QChar::Letter_Other:
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
        case QChar::Number_DecimalDigit:
        case QChar::Number_Letter:
        case QChar::Number_Other:
            ++good;
            break;
        default:
            break;
        }
    }
    return total <= 2 * good;
}

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Punctuation a writer puts before or after a word.
bool isAroundWord(QChar c)
{
    switch (c.unicode()) {
    case u'(': case u'[': case u'{': case u')': case u']': case u'}': case u'"': case u'\'':
    case u'<': case u'>': case u'*': case u'#': case u'-': case u'.': case u',': case u':':
    case u';': case u'!': case u'?': case u'%': case u'/': case u'“': case u'”': case u'‘':
    case u'’': case u'«': case u'»': case u'•': case u'·': case u'–': case u'—':
        return true;
    default:
        return false;
    }
}

// Punctuation that does not occur inside a written word ("*" does, as in "62****1234").
bool isOddInsideWord(QChar c)
{
    switch (c.unicode()) {
    case u'!': case u'"': case u'(': case u')': case u';': case u'<': case u'=': case u'>':
    case u'?': case u'[': case u'\\': case u']': case u'^': case u'`': case u'{': case u'|':
    case u'}': case u'~':
        return true;
    default:
        return false;
    }
}

bool isAsciiVowel(QChar c)
{
    switch (c.unicode()) {
    case u'a': case u'e': case u'i': case u'o': case u'u':
    case u'A': case u'E': case u'I': case u'O': case u'U':
        return true;
    default:
        return false;
    }
}

// A token a writer would write: a word, a number or a code, with ordinary punctuation
// before or after it. Brackets, quotes, "!", "?", ";", "<", "=", ">" and the like inside a
// token, or a long run of punctuation alone, are what a broken character map gives.
bool isOrdinaryToken(QStringView token)
{
    qsizetype start = 0;
    qsizetype end = token.size();
    while (start < end && isAroundWord(token[start]))
        ++start;
    while (end > start && isAroundWord(token[end - 1]))
        --end;
    if (start == end)
        return token.size() <= 3; // a dash, a bullet, an ellipsis
    for (qsizetype i = start; i < end; ++i) {
        const QChar c = token[i];
        if (isOddInsideWord(c) || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

// Tab, line feed, vertical tab, form feed, carriage return and space: the white space
// that separates tokens (what "\s" matches in a QRegularExpression).
bool isTokenSpace(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Calls `visit` with each maximal run of characters between white space, in order. No
// copies: it runs once over a whole document's text.
template<typename Visit> void forEachToken(QStringView text, Visit visit)
{
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        while (i < size && isTokenSpace(text[i]))
            ++i;
        const qsizetype start = i;
        while (i < size && !isTokenSpace(text[i]))
            ++i;
        if (i > start)
            visit(text.sliced(start, i - start));
    }
}

} // namespace

bool Extractor::isBrokenText(const QString &text)
{
    qsizetype visible = 0;
    qsizetype odd = 0;          // characters of tokens no writer would write
    qsizetype longLetters = 0;  // letters of Latin words of four to 24 letters
    qsizetype vowels = 0;
    forEachToken(text, [&](QStringView token) {
        visible += token.size();
        if (!isOrdinaryToken(token)) {
            odd += token.size();
            return;
        }
        if (token.size() >= 4 && token.size() <= 24
            && std::all_of(token.begin(), token.end(), isAsciiLetter)) {
            longLetters += token.size();
            vowels += std::count_if(token.begin(), token.end(), isAsciiVowel);
        }
    });
    if (visible < 40)
        return false;
    // Random letters hold a vowel about one time in five, words of any Latin-script
    // language well over one in three.
    return odd * 10 > visible * 3 || (longLetters >= 40 && vowels * 100 < longLetters * 24);
}

QString Extractor::pdfInformation(const QString &path)
{
    return PdfReader::informationPrefix(path);
}

QString Extractor::pathExtension(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {};
    return name.mid(dot + 1).toLower();
}

QString Extractor::foldRadicals(const QString &text)
{
    const auto isRadical = [](QChar c) { return c.unicode() >= 0x2E80 && c.unicode() <= 0x2FDF; };
    if (std::none_of(text.begin(), text.end(), isRadical))
        return text;
    QString folded;
    folded.reserve(text.size());
    for (const QChar c : text) {
        if (isRadical(c))
            folded += QString(c).normalized(QString::NormalizationForm_KC);
        else
            folded += c;
    }
    return folded;
}

QString Extractor::cut(const QString &text, qsizetype graphemes)
{
    if (text.size() <= graphemes)
        return text;
    return TextUtil::graphemePrefix(text, graphemes);
}
