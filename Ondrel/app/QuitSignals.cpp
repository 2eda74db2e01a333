#include "QuitSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeFds[2] = {-1, -1};
constexpr int quitSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onQuitSignal(int signal)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    const ssize_t written = ::write(pipeFds[1], &byte, 1);
    (void)written; // a full pipe already holds a request to quit
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject *parent) : QObject(parent) {}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
    for (const int signal : quitSignals)
        ::signal(signal, SIG_DFL);
    delete m_notifier;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

bool QuitSignals::install()
{
    if (m_notifier)
        return true;
    if (pipeFds[0] >= 0 || ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    m_notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::drain);

    struct sigaction action{};
    action.sa_handler = onQuitSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : quitSignals)
        ::sigaction(signal, &action, nullptr);
    return true;
}

void QuitSignals::drain()
{
    unsigned char bytes[64];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], bytes, sizeof bytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n; ++i)
            emit received(bytes[i]);
    }
}
