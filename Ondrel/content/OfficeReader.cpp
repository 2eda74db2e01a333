#include "OfficeReader.h"

#include "Extractor.h"
#include "PropertyList.h"
#include "TextDecoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextDocument>
#include <QXmlStreamReader>

#include <archive.h>
#include <archive_entry.h>

#include <functional>
#include <map>
#include <memory>

namespace OfficeReader {

namespace {

// Bytes of XML read out of one zip entry at most (a small document can inflate hugely).
constexpr qint64 xmlByteLimit = 256LL * 1024 * 1024;

QByteArray readWhole(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(Extractor::sizeLimit + 1);
}

// Streams one entry of a zip file to `consume` in chunks until it returns false. False
// when the archive cannot be read or has no such entry (names compared without case, as
// the package formats want).
bool readZipEntry(const QString &path, const QString &name,
                  const std::function<bool(QByteArrayView)> &consume)
{
    std::unique_ptr<archive, int (*)(archive *)> zip(archive_read_new(), archive_read_free);
    if (!zip)
        return false;
    archive_read_support_format_zip(zip.get());
    if (archive_read_open_filename(zip.get(), QFile::encodeName(path).constData(), 64 * 1024) !=
        ARCHIVE_OK)
        return false;
    archive_entry *entry = nullptr;
    while (archive_read_next_header(zip.get(), &entry) == ARCHIVE_OK) {
        const char *utf8 = archive_entry_pathname_utf8(entry);
        const char *raw = archive_entry_pathname(entry);
        const QString entryName = utf8 ? QString::fromUtf8(utf8) : QString::fromLocal8Bit(raw);
        if (entryName.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        char buffer[64 * 1024];
        qint64 total = 0;
        for (;;) {
            const la_ssize_t got = archive_read_data(zip.get(), buffer, sizeof buffer);
            if (got < 0)
                return false;
            if (got == 0)
                return true;
            total += got;
            if (total > xmlByteLimit || !consume(QByteArrayView(buffer, got)))
                return true;
        }
    }
    return false;
}

// Feeds an entry's XML to `step` token by token; `step` returns false to stop.
bool walkXml(const QString &path, const QString &name,
             const std::function<bool(QXmlStreamReader &)> &step)
{
    QXmlStreamReader xml;
    bool ok = true;
    const bool found = readZipEntry(path, name, [&](QByteArrayView chunk) {
        xml.addData(chunk.toByteArray());
        for (;;) {
            const auto token = xml.readNext();
            if (xml.hasError()) {
                if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                    return true;
                ok = false;
                return false;
            }
            if (token == QXmlStreamReader::EndDocument || !step(xml))
                return false;
        }
    });
    return found && ok;
}

QByteArray zipEntry(const QString &path, const QString &name, qsizetype limit)
{
    QByteArray bytes;
    readZipEntry(path, name, [&](QByteArrayView chunk) {
        bytes += chunk;
        return bytes.size() <= limit;
    });
    return bytes;
}

// The main document part of a word-processing package, from its relationships.
QString mainDocumentPart(const QString &path)
{
    const QByteArray rels = zipEntry(path, QStringLiteral("_rels/.rels"), 1024 * 1024);
    QXmlStreamReader xml(rels);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement ||
            xml.name() != QLatin1String("Relationship"))
            continue;
        const auto attributes = xml.attributes();
        if (attributes.value(QLatin1String("Type")).endsWith(QLatin1String("/officeDocument"))) {
            QString target = attributes.value(QLatin1String("Target")).toString();
            while (target.startsWith(QLatin1Char('/')))
                target.remove(0, 1);
            if (!target.isEmpty())
                return target;
        }
    }
    return QStringLiteral("word/document.xml");
}

// Collapses runs of XML white space to one space, as the document formats define it.
QString collapseSpaces(QStringView text, bool afterSpace)
{
    QString out;
    out.reserve(text.size());
    bool space = afterSpace;
    for (const QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
            if (!space)
                out += QLatin1Char(' ');
            space = true;
        } else {
            out += c;
            space = false;
        }
    }
    return out;
}

// ---- RTF ----

int codePageOfCharset(int charset, int fallback)
{
    static const std::map<int, int> pages = {{77, 10000}, {128, 932},  {129, 949},  {130, 1361},
                                             {134, 936},  {136, 950},  {161, 1253}, {162, 1254},
                                             {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257},
                                             {204, 1251}, {222, 874},  {238, 1250}, {255, 437}};
    const auto found = pages.find(charset);
    return found == pages.end() ? fallback : found->second;
}

bool isSkippedDestination(const QByteArray &word)
{
    static const QSet<QByteArray> words = {"fonttbl",
                                           "colortbl",
                                           "stylesheet",
                                           "info",
                                           "pict",
                                           "object",
                                           "objdata",
                                           "header",
                                           "headerl",
                                           "headerr",
                                           "headerf",
                                           "footer",
                                           "footerl",
                                           "footerr",
                                           "footerf",
                                           "fldinst",
                                           "themedata",
                                           "colorschememapping",
                                           "latentstyles",
                                           "datastore",
                                           "xmlnstbl",
                                           "listtable",
                                           "listoverridetable",
                                           "revtbl",
                                           "rsidtbl",
                                           "generator",
                                           "filetbl",
                                           "pgdsctbl",
                                           "bkmkstart",
                                           "bkmkend",
                                           "nonshppict",
                                           "sp",
                                           "xmlopen",
                                           "mmathPr",
                                           "wgrffmtfilter",
                                           "passwordhash",
                                           "protusertbl",
                                           "userprops",
                                           "docvar",
                                           "upr"};
    return words.contains(word);
}

QString symbolOfWord(const QByteArray &word)
{
    static const std::map<QByteArray, QString> symbols = {
        {"par", "\n"},           {"line", "\n"},          {"sect", "\n"},
        {"page", "\n"},          {"row", "\n"},           {"tab", "\t"},
        {"cell", "\t"},          {"emdash", "\u2014"},    {"endash", "\u2013"},
        {"bullet", "\u2022"},    {"lquote", "\u2018"},    {"rquote", "\u2019"},
        {"ldblquote", "\u201C"}, {"rdblquote", "\u201D"}, {"emspace", "\u2003"},
        {"enspace", "\u2002"},   {"qmspace", "\u2005"}};
    const auto found = symbols.find(word);
    return found == symbols.end() ? QString() : found->second;
}

class RtfStripper
{
public:
    RtfStripper(const QByteArray &rtf, qsizetype limit) : m_s(rtf), m_out(limit) {}

    QString run()
    {
        const qsizetype n = m_s.size();
        qsizetype i = 0;
        while (i < n && !m_out.full()) {
            const char c = m_s[i];
            if (c == '{') {
                m_stack.push_back(m_state);
                ++i;
            } else if (c == '}') {
                flush();
                if (!m_stack.empty()) {
                    m_state = m_stack.back();
                    m_stack.pop_back();
                }
                ++i;
            } else if (c == '\\') {
                i = control(i);
            } else if (c == '\r' || c == '\n') {
                ++i;
            } else {
                if (!m_state.skip)
                    byte(static_cast<unsigned char>(c));
                ++i;
            }
        }
        flush();
        return m_out.text();
    }

private:
    struct State
    {
        bool skip = false;
        bool fontTable = false;
        int uc = 1;
        int font = -1;
    };

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    int codePage() const
    {
        const int font = m_state.font >= 0 ? m_state.font : m_defaultFont;
        const auto found = m_fontCharsets.find(font);
        return found == m_fontCharsets.end() ? m_ansiCodePage
                                             : codePageOfCharset(found->second, m_ansiCodePage);
    }

    void byte(unsigned char b)
    {
        const int page = codePage();
        if (!m_pending.isEmpty() && page != m_pendingPage)
            flush();
        m_pendingPage = page;
        m_pending += char(b);
    }

    void flush()
    {
        if (m_pending.isEmpty())
            return;
        const auto text =
            TextDecoding::decode(m_pending, TextDecoding::codePageName(m_pendingPage));
        m_out.append(text ? *text : QString::fromLatin1(m_pending));
        m_pending.clear();
    }

    void emitText(const QString &text)
    {
        if (m_state.skip)
            return;
        flush();
        m_out.append(text);
    }

    // Skips the characters that stand in for a \uN character: `count` plain characters
    // or \'hh escapes; a control word or a brace ends the run early.
    qsizetype skipFallback(qsizetype i, int count) const
    {
        const qsizetype n = m_s.size();
        while (count > 0 && i < n) {
            const char c = m_s[i];
            if (c == '\r' || c == '\n') {
                ++i;
                continue;
            }
            if (c == '\\' && i + 1 < n && m_s[i + 1] == '\'') {
                i += 4;
            } else if (c == '\\' || c == '{' || c == '}') {
                break;
            } else {
                ++i;
            }
            --count;
        }
        return std::min(i, n);
    }

    qsizetype control(qsizetype i)
    {
        const qsizetype n = m_s.size();
        if (i + 1 >= n)
            return n;
        const char next = m_s[i + 1];
        if (!isLetter(next)) {
            switch (next) {
            case '\'': {
                const int high = i + 2 < n ? hexValue(m_s[i + 2]) : -1;
                const int low = i + 3 < n ? hexValue(m_s[i + 3]) : -1;
                if (high >= 0 && low >= 0 && !m_state.skip)
                    byte(static_cast<unsigned char>(high * 16 + low));
                return std::min(i + 4, n);
            }
            case '\\':
            case '{':
            case '}':
                if (!m_state.skip)
                    byte(static_cast<unsigned char>(next));
                break;
            case '~':
                emitText(QStringLiteral("\u00A0"));
                break;
            case '_':
                emitText(QStringLiteral("\u2011"));
                break;
            case '*':
                m_state.skip = true;
                break;
            case '\n':
            case '\r':
                emitText(QStringLiteral("\n"));
                break;
            default:
                break;
            }
            return i + 2;
        }
        qsizetype j = i + 1;
        while (j < n && isLetter(m_s[j]) && j - i <= 32)
            ++j;
        const QByteArray word = m_s.mid(i + 1, j - i - 1);
        bool hasParameter = false;
        qint64 parameter = 0;
        bool negative = false;
        if (j < n && m_s[j] == '-' && j + 1 < n && m_s[j + 1] >= '0' && m_s[j + 1] <= '9') {
            negative = true;
            ++j;
        }
        while (j < n && m_s[j] >= '0' && m_s[j] <= '9') {
            hasParameter = true;
            if (parameter < 100000000)
                parameter = parameter * 10 + (m_s[j] - '0');
            ++j;
        }
        if (negative)
            parameter = -parameter;
        if (j < n && m_s[j] == ' ')
            ++j;
        return handleWord(word, hasParameter, parameter, j);
    }

    qsizetype handleWord(const QByteArray &word, bool hasParameter, qint64 parameter,
                         qsizetype next)
    {
        if (word == "u" && hasParameter) {
            if (!m_state.skip) {
                const qint64 unit = parameter < 0 ? parameter + 65536 : parameter;
                emitText(QString(QChar(char16_t(unit & 0xFFFF))));
            }
            return skipFallback(next, m_state.uc);
        }
        if (word == "bin" && hasParameter)
            return std::min<qsizetype>(next + std::max<qint64>(parameter, 0), m_s.size());
        if (word == "fonttbl") {
            m_state.fontTable = true;
            m_state.skip = true;
        } else if (isSkippedDestination(word)) {
            m_state.skip = true;
        } else if (word == "uc" && hasParameter) {
            m_state.uc = int(std::clamp<qint64>(parameter, 0, 10));
        } else if (word == "ansicpg" && hasParameter) {
            m_ansiCodePage = int(parameter);
        } else if (word == "ansi") {
            m_ansiCodePage = 1252;
        } else if (word == "mac") {
            m_ansiCodePage = 10000;
        } else if (word == "pc") {
            m_ansiCodePage = 437;
        } else if (word == "pca") {
            m_ansiCodePage = 850;
        } else if (word == "deff" && hasParameter) {
            m_defaultFont = int(parameter);
        } else if (word == "f" && hasParameter) {
            if (m_state.fontTable)
                m_definingFont = int(parameter);
            else
                m_state.font = int(parameter);
        } else if (word == "fcharset" && hasParameter) {
            if (m_state.fontTable && m_definingFont >= 0)
                m_fontCharsets[m_definingFont] = int(parameter);
        } else if (word == "plain") {
            m_state.font = -1;
        } else {
            const QString symbol = symbolOfWord(word);
            if (!symbol.isEmpty())
                emitText(symbol);
        }
        return next;
    }

    const QByteArray &m_s;
    BoundedText m_out;
    State m_state;
    std::vector<State> m_stack;
    std::map<int, int> m_fontCharsets;
    int m_ansiCodePage = 1252;
    int m_defaultFont = -1;
    int m_definingFont = -1;
    QByteArray m_pending;
    int m_pendingPage = 1252;
};

// ---- HTML ----

// A document that never fetches images, style sheets or anything else named in the page.
class OfflineDocument : public QTextDocument
{
protected:
    QVariant loadResource(int, const QUrl &) override { return QVariant(); }
};

QString decodeHtml(const QByteArray &bytes, const QString &declared)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return TextDecoding::utf8(bytes);
    if (bytes.startsWith("\xFF\xFE"))
        return TextDecoding::decode(bytes.mid(2), QStringLiteral("UTF-16LE")).value_or(QString());
    if (bytes.startsWith("\xFE\xFF"))
        return TextDecoding::decode(bytes.mid(2), QStringLiteral("UTF-16BE")).value_or(QString());
    if (!declared.isEmpty()) {
        if (auto text = TextDecoding::decode(bytes, declared))
            return *text;
    }
    static const QRegularExpression meta(
        QStringLiteral(R"(<meta[^>]*charset\s*=\s*["']?\s*([A-Za-z0-9_.:\-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = meta.match(QString::fromLatin1(bytes.left(4096)));
    if (match.hasMatch()) {
        if (auto text = TextDecoding::decode(bytes, match.captured(1)))
            return *text;
    }
    if (TextDecoding::isValidUtf8(bytes))
        return TextDecoding::utf8(bytes);
    return TextDecoding::decode(bytes, QStringLiteral("windows-1252")).value_or(QString());
}

QMutex &converterLock()
{
    static QMutex mutex;
    return mutex;
}

DocConverter &converterSetting()
{
    static DocConverter converter;
    return converter;
}

bool looksLikeHtml(const QByteArray &head)
{
    const QByteArray start = head.left(1024).trimmed().toLower();
    return start.startsWith("<!doctype html") || start.startsWith("<html") ||
           start.contains("<html");
}

} // namespace

QString docxText(const QString &path, qsizetype limit)
{
    BoundedText out(limit);
    QStringList stack;
    int skipDepth = 0; // inside alternate content or deleted/field-code text
    walkXml(path, mainDocumentPart(path), [&](QXmlStreamReader &xml) {
        switch (xml.tokenType()) {
        case QXmlStreamReader::StartElement: {
            const QString name = xml.name().toString();
            const QString parent = stack.isEmpty() ? QString() : stack.constLast();
            stack << name;
            if (skipDepth > 0 || name == QLatin1String("Fallback") ||
                name == QLatin1String("delText") || name == QLatin1String("instrText")) {
                ++skipDepth;
                break;
            }
            if (parent == QLatin1String("r")) {
                if (name == QLatin1String("tab"))
                    out.append(QLatin1Char('\t'));
                else if (name == QLatin1String("br") || name == QLatin1String("cr"))
                    out.append(QLatin1Char('\n'));
                else if (name == QLatin1String("noBreakHyphen"))
                    out.append(QLatin1Char('-'));
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!stack.isEmpty())
                stack.removeLast();
            if (skipDepth > 0)
                --skipDepth;
            else if (xml.name() == QLatin1String("p"))
                out.append(QLatin1Char('\n'));
            break;
        case QXmlStreamReader::Characters:
            if (skipDepth == 0 && !stack.isEmpty() && stack.constLast() == QLatin1String("t"))
                out.append(xml.text().toString());
            break;
        default:
            break;
        }
        return !out.full();
    });
    return out.text();
}

QString odtText(const QString &path, qsizetype limit)
{
    BoundedText out(limit);
    int paragraphDepth = 0;
    int skipDepth = 0;
    bool afterSpace = true;
    walkXml(path, QStringLiteral("content.xml"), [&](QXmlStreamReader &xml) {
        switch (xml.tokenType()) {
        case QXmlStreamReader::StartElement: {
            const auto name = xml.name();
            if (skipDepth > 0 || name == QLatin1String("annotation") ||
                name == QLatin1String("tracked-changes") || name == QLatin1String("desc") ||
                name == QLatin1String("title")) {
                ++skipDepth;
                break;
            }
            if (name == QLatin1String("p") || name == QLatin1String("h")) {
                ++paragraphDepth;
                afterSpace = true;
            } else if (paragraphDepth > 0 && name == QLatin1String("s")) {
                int count = 1;
                for (const QXmlStreamAttribute &attribute : xml.attributes()) {
                    if (attribute.name() == QLatin1String("c"))
                        count = attribute.value().toInt();
                }
                out.append(QString(std::clamp(count, 1, 1000), QLatin1Char(' ')));
                afterSpace = false;
            } else if (paragraphDepth > 0 && name == QLatin1String("tab")) {
                out.append(QLatin1Char('\t'));
                afterSpace = false;
            } else if (paragraphDepth > 0 && name == QLatin1String("line-break")) {
                out.append(QLatin1Char('\n'));
                afterSpace = true;
            }
            break;
        }
        case QXmlStreamReader::EndElement: {
            const auto name = xml.name();
            if (skipDepth > 0) {
                --skipDepth;
            } else if (name == QLatin1String("p") || name == QLatin1String("h")) {
                --paragraphDepth;
                out.append(QLatin1Char('\n'));
                afterSpace = true;
            }
            break;
        }
        case QXmlStreamReader::Characters:
            if (skipDepth == 0 && paragraphDepth > 0) {
                const QString text = collapseSpaces(xml.text(), afterSpace);
                if (!text.isEmpty()) {
                    out.append(text);
                    afterSpace = text.endsWith(QLatin1Char(' '));
                }
            }
            break;
        default:
            break;
        }
        return !out.full();
    });
    return out.text();
}

QString rtfText(const QByteArray &rtf, qsizetype limit)
{
    return RtfStripper(rtf, limit).run();
}

QString htmlText(const QByteArray &html, const QString &charset)
{
    OfflineDocument document;
    document.setHtml(decodeHtml(html, charset));
    QString text = document.toPlainText();
    text.remove(QChar::ObjectReplacementCharacter);
    return text;
}

QString webArchiveText(const QByteArray &archive)
{
    const auto root = PropertyList::parseBinary(archive);
    if (!root)
        return {};
    const QVariantMap main = root->toMap().value(QStringLiteral("WebMainResource")).toMap();
    const QByteArray data = main.value(QStringLiteral("WebResourceData")).toByteArray();
    const QString type = main.value(QStringLiteral("WebResourceMIMEType")).toString().toLower();
    const QString charset = main.value(QStringLiteral("WebResourceTextEncodingName")).toString();
    if (data.isEmpty())
        return {};
    if (type.startsWith(QLatin1String("text/plain"))) {
        if (auto text =
                TextDecoding::decode(data, charset.isEmpty() ? QStringLiteral("UTF-8") : charset))
            return *text;
        return TextDecoding::utf8(data);
    }
    return htmlText(data, charset);
}

DocConverter docConverter()
{
    QMutexLocker locker(&converterLock());
    return converterSetting();
}

void setDocConverter(const DocConverter &converter)
{
    QMutexLocker locker(&converterLock());
    converterSetting() = converter;
}

QString docText(const QString &path)
{
    const DocConverter converter = docConverter();
    const QString program = QStandardPaths::findExecutable(converter.program);
    if (program.isEmpty())
        return {};
    QProcess process;
    process.setProgram(program);
    process.setArguments(converter.arguments + QStringList{QFileInfo(path).absoluteFilePath()});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(5000))
        return {};
    if (!process.waitForFinished(int(converter.timeout.count()))) {
        process.kill();
        process.waitForFinished(5000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return TextDecoding::utf8(process.readAllStandardOutput());
}

QString read(const QString &path, qsizetype limit)
{
    const QString ext = Extractor::pathExtension(path);
    if (ext == QLatin1String("docx"))
        return docxText(path, limit);
    if (ext == QLatin1String("odt"))
        return odtText(path, limit);
    if (ext == QLatin1String("rtf"))
        return rtfText(readWhole(path), limit);
    if (ext == QLatin1String("rtfd")) {
        const QFileInfo info(path);
        if (!info.isDir())
            return rtfText(readWhole(path), limit);
        const QFileInfo inner(QDir(path).filePath(QStringLiteral("TXT.rtf")));
        if (!inner.isFile() || inner.size() > Extractor::sizeLimit)
            return {};
        return rtfText(readWhole(inner.filePath()), limit);
    }
    if (ext == QLatin1String("html") || ext == QLatin1String("htm"))
        return htmlText(readWhole(path));
    if (ext == QLatin1String("webarchive"))
        return webArchiveText(readWhole(path));
    if (ext == QLatin1String("doc")) {
        // Many ".doc" files are rich text or web pages saved under Word's extension.
        QFile file(path);
        const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(1024) : QByteArray();
        if (head.startsWith("{\\rtf"))
            return rtfText(readWhole(path), limit);
        if (looksLikeHtml(head))
            return htmlText(readWhole(path));
        return docText(path);
    }
    return {}; // "pages" and anything else: not read
}

} // namespace OfficeReader
