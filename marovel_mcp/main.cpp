// marovel-mcp: the Model Context Protocol server that AI clients start as a child process.
// Requests come one per line on standard input, replies go one per line to standard output.
#include "McpServer.h"

#include <QtGlobal>

#include <clocale>
#include <csignal>
#include <cstring>
#include <langinfo.h>
#include <unistd.h>

namespace {

// Names go through the C library's multibyte conversion in places (libc, Qt's file
// names); make that UTF-8 even when the client starts us with a bare environment.
void useUtf8Ctype()
{
    if (std::setlocale(LC_CTYPE, "") && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0)
        return;
    for (const char *name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
        if (std::setlocale(LC_CTYPE, name))
            return;
    }
}

// Standard error is not ours to fill: clients show it as the server's error log.
void dropQtMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

int main()
{
    useUtf8Ctype();
    // A client that goes away makes write() fail with EPIPE, which ends the loop quietly.
    std::signal(SIGPIPE, SIG_IGN);
    qInstallMessageHandler(dropQtMessages);

    const McpServer server;
    return server.run(STDIN_FILENO, STDOUT_FILENO);
}
