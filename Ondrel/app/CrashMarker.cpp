#include "CrashMarker.h"

#include "FileSystem.h"
#include "MarovelPaths.h"
#include "Telemetry.h"

#include <QFile>
#include <QStringDecoder>

#include <csignal>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The open marker, -1 until install() succeeded. The handlers read nothing else.
volatile sig_atomic_t markerFd = -1;
std::terminate_handler previousTerminate = nullptr;

// Larger than the smallest alternate stack the kernel accepts (MINSIGSTKSZ) on every
// architecture, with room for a sanitizer's write() interceptor.
constexpr size_t altStackSize = 64 * 1024;
alignas(16) char altStack[altStackSize];

constexpr int handledSignals[] = {SIGABRT, SIGSEGV, SIGBUS, SIGILL, SIGTRAP, SIGFPE};

struct Name
{
    const char *text;
    size_t length;
};

template<size_t N>
constexpr Name name(const char (&text)[N])
{
    return {text, N - 1};
}

// Keyed by the signal's name, never its number: the numbers differ between systems.
Name signalName(int signal)
{
    switch (signal) {
    case SIGILL: return name("SIGILL");
    case SIGTRAP: return name("SIGTRAP");
    case SIGABRT: return name("SIGABRT");
    case SIGFPE: return name("SIGFPE");
    case SIGBUS: return name("SIGBUS");
    case SIGSEGV: return name("SIGSEGV");
    default: return name("SIGUNKNOWN");
    }
}

void writeMarker(Name text)
{
    const int fd = markerFd;
    if (fd >= 0) {
        const ssize_t written = ::write(fd, text.text, text.length);
        (void)written; // nothing more can be done about a failed write here
    }
}

// Only async-signal-safe calls: write the name, restore the default action, and raise
// the signal again so the process ends by it (core dump and exit status as without us).
void onSignal(int signal)
{
    writeMarker(signalName(signal));
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void onTerminate()
{
    writeMarker(name("CppException"));
    // The runtime's own handler names the exception on stderr and aborts, which adds
    // "SIGABRT" to the marker.
    if (previousTerminate)
        previousTerminate();
    std::abort();
}

void installHandlers()
{
    stack_t stack{};
    stack.ss_sp = altStack;
    stack.ss_size = altStackSize;
    stack.ss_flags = 0;
    ::sigaltstack(&stack, nullptr);

    struct sigaction action{};
    action.sa_handler = onSignal;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int signal : handledSignals)
        ::sigaction(signal, &action, nullptr);

    const std::terminate_handler previous = std::set_terminate(onTerminate);
    if (previous != onTerminate)
        previousTerminate = previous;
}

} // namespace

namespace CrashMarker {

QString markerPath()
{
    return MarovelPaths::appSupport() + QStringLiteral("/crash-marker");
}

std::optional<QString> consumePendingCrash(const QString &path)
{
    // A marker holds a few names; anything much larger is not one of ours.
    constexpr qint64 largestMarker = 64 * 1024;
    std::optional<QString> text;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.read(largestMarker + 1);
        file.close();
        if (!bytes.isEmpty() && bytes.size() <= largestMarker) {
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString decoded = decoder(bytes);
            if (!decoder.hasError())
                text = decoded;
        }
    }
    ::unlink(QFile::encodeName(path).constData());
    return text;
}

bool install()
{
    if (markerFd >= 0)
        return true;
    if (const std::optional<QString> pending = consumePendingCrash(markerPath()))
        Telemetry::track(Telemetry::Event::clientCrash(*pending));
    FileSystem::makePath(MarovelPaths::appSupport()); // a failure shows in the open below
    const int fd = ::open(QFile::encodeName(markerPath()).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    markerFd = fd;
    installHandlers();
    return true;
}

} // namespace CrashMarker
