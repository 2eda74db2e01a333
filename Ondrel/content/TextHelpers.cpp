#include "ContentPatterns.h"
#include "ScenarioDetector.h"
#include "TextUtil.h"

namespace ScenarioDetector {

const QSet<QString> &genericNameWords()
{
    static const QSet<QString> words{
        QStringLiteral("untitled"),     QStringLiteral("untitled document"),
        QStringLiteral("unnamed"),      QStringLiteral("no title"),
        QStringLiteral("new document"), QStringLiteral("new text document"),
        QStringLiteral("new file"),     QStringLiteral("new"),
        QStringLiteral("document"),     QStringLiteral("documents"),
        QStringLiteral("doc"),          QStringLiteral("docs"),
        QStringLiteral("file"),         QStringLiteral("files"),
        QStringLiteral("download"),     QStringLiteral("downloads"),
        QStringLiteral("scan"),         QStringLiteral("scanned"),
        QStringLiteral("scanned document"), QStringLiteral("image"),
        QStringLiteral("images"),       QStringLiteral("picture"),
        QStringLiteral("photo"),        QStringLiteral("photos"),
        QStringLiteral("img"),          QStringLiteral("dsc"),
        QStringLiteral("dscn"),         QStringLiteral("pxl"),
        QStringLiteral("temp"),         QStringLiteral("tmp"),
        QStringLiteral("copy"),         QStringLiteral("attachment"),
        QStringLiteral("output"),       QStringLiteral("新建文本文档"),
        QStringLiteral("新建文档"),     QStringLiteral("新建文件"),
        QStringLiteral("未命名"),       QStringLiteral("未命名文档"),
        QStringLiteral("无标题"),       QStringLiteral("扫描件"),
        QStringLiteral("扫描文档"),     QStringLiteral("文档"),
        QStringLiteral("图片"),         QStringLiteral("照片"),
        QStringLiteral("下载"),         QStringLiteral("微信图片")};
    return words;
}

QString normDigits(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19)
            c = QChar(char16_t(u'0' + (u - 0xFF10)));
        else if (u == 0xFFE5)
            c = QChar(char16_t(0x00A5));
        else if (u == 0xFF1A)
            c = QChar(u':');
        else if (u == 0xFF0E)
            c = QChar(u'.');
    }
    return out;
}

QString pad(qint64 n)
{
    return n > 9 ? QString::number(n) : QStringLiteral("0") + QString::number(n);
}

QString trimChars(const QString &text, QStringView chars)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && chars.contains(text[start]))
        ++start;
    while (end > start && chars.contains(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

namespace {

// The first `count` characters, then "_" trimmed at both ends, when the text is longer.
QString cutTo(const QString &text, qsizetype count)
{
    if (TextUtil::graphemeCount(text) <= count)
        return text;
    return trimChars(TextUtil::graphemePrefix(text, count), u"_");
}

// The name without its extension: the last "." and what follows, unless the dot is the
// first or the last character.
QString withoutExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        return name;
    return name.left(dot);
}

} // namespace

QString slug(const QString &text)
{
    QString s = trimChars(text.trimmed(), u".");
    static constexpr QStringView breaks = u"\\/:*?\"<>|\n\r\t";
    for (QChar &c : s) {
        if (breaks.contains(c))
            c = u' ';
    }
    while (s.contains(QLatin1String("  ")))
        s.replace(QLatin1String("  "), QLatin1String(" "));
    s = trimChars(s, u" ");
    s.replace(u' ', u'_');
    s = cutTo(s, 80);
    s = cutTo(s, 40);
    // A name starting with "." would be a hidden file.
    while (s.startsWith(u'.'))
        s.remove(0, 1);
    return s;
}

QString shortDate(const QString &iso)
{
    const QStringList pieces = iso.split(u'-', Qt::SkipEmptyParts);
    if (pieces.size() != 3)
        return iso;
    return pieces[1] + u'/' + pieces[2];
}

bool isGenericName(const QString &name)
{
    using ContentPatterns::Id;
    QString s = withoutExtension(name).trimmed();
    s = Rx::replaceAll(ContentPatterns::get(Id::genericCopyCounter), s, QString());
    s = Rx::replaceAll(ContentPatterns::get(Id::genericTrailingNumber), s, QString());
    s = trimChars(s, u" _-.");
    if (s.isEmpty())
        return true;
    s = Rx::replaceAll(ContentPatterns::get(Id::genericSeparatorRun), s.toLower(),
                       QStringLiteral(" "));
    s = trimChars(s, u" ");
    return genericNameWords().contains(s) || s.startsWith(QLatin1String("copy of "));
}

} // namespace ScenarioDetector
