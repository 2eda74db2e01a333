#pragma once

#include <QByteArray>

#include <optional>

// Reads newline-terminated lines from a file descriptor with plain read(2), so no stdio or
// Qt buffering can hold back a request the client is waiting for.
class LineReader
{
public:
    // Lines longer than this are dropped whole, so a client cannot make the server hold an
    // unbounded amount of memory.
    static constexpr qsizetype defaultMaxLength = qsizetype(64) * 1024 * 1024;

    explicit LineReader(int fd, qsizetype maxLength = defaultMaxLength);

    // The next line without its terminator ("\n" or "\r\n"). A last line without a
    // terminator is still returned; nothing comes back at end of input. A line over the
    // limit comes back empty, which the caller ignores like any unparsable line.
    std::optional<QByteArray> next();

private:
    void readMore();

    int m_fd;
    qsizetype m_maxLength;
    QByteArray m_buffer;
    qsizetype m_start = 0;   // first byte of the current line
    qsizetype m_scanned = 0; // bytes from m_start on already searched for "\n"
    bool m_ended = false;
    bool m_skipping = false; // inside an overlong line
};

// Writes all of `bytes` to `fd`, going on after partial writes and interruptions and
// waiting while a non-blocking descriptor is full. Returns 0 or the errno of the failure
// (EPIPE when the reader has gone).
int writeFully(int fd, const QByteArray &bytes);
