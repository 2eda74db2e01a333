#include "NamingCore.h"

#include "ScenarioDetector.h"

#include <QFileInfo>
#include <QTextBoundaryFinder>

namespace Core {

bool garbled(const QString &text)
{
    if (text.isEmpty())
        return false;
    qsizetype characters = 0;
    qsizetype replacements = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        ++characters;
        if (end - start == 1 && text[start] == QChar(QChar::ReplacementCharacter))
            ++replacements;
        start = end;
    }
    if (characters == 0)
        return false;
    return double(replacements) / double(characters) > 0.02;
}

QString fileDate(const QString &path)
{
    static const QString format = QStringLiteral("yyyy-MM-dd");
    if (!path.isEmpty()) {
        const QFileInfo info(path);
        if (info.exists()) {
            const QDateTime born = info.birthTime();
            if (born.isValid())
                return born.toLocalTime().toString(format);
            const QDateTime modified = info.lastModified();
            if (modified.isValid())
                return modified.toLocalTime().toString(format);
        }
    }
    return ScenarioDetector::today().toString(format);
}

} // namespace Core
