#include "McpClientConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#ifndef MAROVEL_MCP_FROM_BIN
#define MAROVEL_MCP_FROM_BIN "../libexec/marovel"
#endif

namespace McpClientConfig {

namespace {

bool isExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

QString installedRelative()
{
    return QStringLiteral(MAROVEL_MCP_FROM_BIN);
}

Command locate(const QString &appDir, const QString &installedRelative)
{
    const QString installed =
        QDir::cleanPath(appDir + u'/' + installedRelative + u'/' + serverName);
    if (isExecutableFile(installed))
        return {installed, true};
    const QString buildTree = QDir::cleanPath(appDir + u'/' + serverName);
    if (isExecutableFile(buildTree))
        return {buildTree, true};
    return {installed, false};
}

Command locate()
{
    return locate(QCoreApplication::applicationDirPath(), installedRelative());
}

QString jsonString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"': out += QStringLiteral("\\\""); break;
        case u'\\': out += QStringLiteral("\\\\"); break;
        case u'\b': out += QStringLiteral("\\b"); break;
        case u'\f': out += QStringLiteral("\\f"); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

QString text(const QString &commandPath)
{
    const QStringList lines{
        QStringLiteral("{"),
        QStringLiteral("  \"mcpServers\": {"),
        QStringLiteral("    \"marovel\": { \"command\": %1 }").arg(jsonString(commandPath)),
        QStringLiteral("  }"),
        QStringLiteral("}"),
    };
    return lines.join(u'\n');
}

} // namespace McpClientConfig
