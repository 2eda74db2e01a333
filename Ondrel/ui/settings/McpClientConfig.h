#pragma once

#include <QString>

// The MCP client configuration the AI collaboration page hands out: where the marovel-mcp
// server lies on this machine, and the five-line JSON text that names it.
namespace McpClientConfig {

inline const QString serverName = QStringLiteral("marovel-mcp");

// The server's path and whether a server executable is there.
struct Command
{
    QString path;
    bool found = false;

    bool operator==(const Command &) const = default;
};

// Beside an installed application the server lies at `installedRelative` (the path from
// the executable's folder to the server's folder, e.g. "../libexec/marovel"); in the
// build tree it lies beside the application. The installed place wins when both exist;
// when neither holds an executable the installed place is named, not found.
Command locate(const QString &appDir, const QString &installedRelative);
// The same for the running application and the installed layout the build was made for.
Command locate();
// The path from the application's folder to the server's folder in the installed layout.
QString installedRelative();

// `text` as a JSON string literal, quotes included: '"', '\' and control characters are
// escaped; "/" and non-ASCII characters are written as they are.
QString jsonString(const QString &text);

// The configuration: five lines joined by line feeds, no line feed after the last.
QString text(const QString &commandPath);

} // namespace McpClientConfig
