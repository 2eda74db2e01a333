#include "StdioChannel.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr qsizetype chunkSize = 64 * 1024;

// Waits until a non-blocking descriptor is ready; false (errno set) when poll fails.
bool waitFor(int fd, short events)
{
    pollfd entry{fd, events, 0};
    for (;;) {
        if (::poll(&entry, 1, -1) >= 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

QByteArray withoutCarriageReturn(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

LineReader::LineReader(int fd, qsizetype maxLength) : m_fd(fd), m_maxLength(maxLength) {}

std::optional<QByteArray> LineReader::next()
{
    for (;;) {
        const qsizetype end = m_buffer.indexOf('\n', m_scanned);
        if (end >= 0) {
            const qsizetype length = end - m_start;
            const bool keep = !m_skipping && length <= m_maxLength;
            QByteArray line = keep ? m_buffer.mid(m_start, length) : QByteArray();
            m_skipping = false;
            m_start = m_scanned = end + 1;
            return withoutCarriageReturn(line);
        }
        m_scanned = m_buffer.size();
        if (m_scanned - m_start > m_maxLength) {
            // Read on to the end of this line, keeping nothing of it.
            m_skipping = true;
            m_buffer.clear();
            m_start = m_scanned = 0;
        }
        if (m_ended) {
            if (m_start == m_buffer.size() && !m_skipping)
                return std::nullopt;
            QByteArray line = m_skipping ? QByteArray() : m_buffer.mid(m_start);
            m_skipping = false;
            m_buffer.clear();
            m_start = m_scanned = 0;
            return withoutCarriageReturn(line);
        }
        readMore();
    }
}

void LineReader::readMore()
{
    // Drop the lines already handed out before the buffer grows.
    if (m_start > 0) {
        m_buffer.remove(0, m_start);
        m_scanned -= m_start;
        m_start = 0;
    }
    const qsizetype used = m_buffer.size();
    m_buffer.resize(used + chunkSize);
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buffer.data() + used, size_t(chunkSize));
        if (n > 0) {
            m_buffer.resize(used + n);
            return;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(m_fd, POLLIN))
            continue;
        // End of input, or a descriptor that cannot be read any more: both end the session.
        m_buffer.resize(used);
        m_ended = true;
        return;
    }
}

int writeFully(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n >= 0) {
            data += n;
            left -= size_t(n);
            continue;
        }
        if (errno == EINTR)
            continue;
        if ((errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLOUT))
            continue;
        return errno;
    }
    return 0;
}
