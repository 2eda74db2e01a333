#pragma once

#include "Localization.h"

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace SamplesTest {

inline const QStringList languages = {QStringLiteral("en"), QStringLiteral("zh-Hans")};

// The interface language for the life of the object.
class ScopedLanguage
{
public:
    explicit ScopedLanguage(const QString &language) { Loc::shared().setOverride(language); }
    ~ScopedLanguage() { Loc::shared().setOverride(std::nullopt); }
};

// A sample folder that is removed again when the test ends.
class ScopedFolder
{
public:
    explicit ScopedFolder(QString path) : m_path(std::move(path)) {}
    ~ScopedFolder() { QDir(m_path).removeRecursively(); }
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

// Standard output of a poppler tool, or a null array when it did not run to a clean end.
inline QByteArray popplerTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

// Rejoins the lines of read-back text that the page broke to fit its width: each
// expected line takes as many read lines as it needs, separated by the space the break
// replaced where the expected line has one there. Lines that match nothing stay as they
// are, so a difference shows in the comparison.
inline QStringList rejoined(const QStringList &read, const QStringList &expected)
{
    QStringList out;
    qsizetype next = 0;
    for (const QString &line : expected) {
        if (next >= read.size())
            break;
        QString joined = read[next++];
        while (joined.size() < line.size() && line.startsWith(joined) && next < read.size()) {
            if (line.at(joined.size()) == u' ')
                joined += u' ';
            joined += read[next++];
        }
        out << joined;
    }
    out += read.mid(next);
    return out;
}

} // namespace SamplesTest
