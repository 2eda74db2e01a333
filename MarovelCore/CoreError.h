#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// Base of every error the core library throws. `description()` is a finished sentence in
// the interface language, ready for a status line or an error reply.
class MarovelError : public std::exception
{
public:
    virtual QString description() const = 0;
    const char *what() const noexcept override;

private:
    mutable QByteArray m_what;
};

// An error of the core library whose text was localised and formatted when it was thrown.
class CoreError : public MarovelError
{
public:
    explicit CoreError(QString message) : m_message(std::move(message)) {}
    QString description() const override { return m_message; }

private:
    QString m_message;
};

// A file of the data folder could not be created, read or written. The text names the
// path and the operating system's reason.
class FileSystemError : public CoreError
{
public:
    using CoreError::CoreError;
};

// A file of the data folder (or a client's request) does not have the expected shape.
class DecodingError : public CoreError
{
public:
    using CoreError::CoreError;
};

// The two failures of collaboration. The text is looked up each time it is asked for, so
// it follows the interface language of that moment.
class CollaborationError : public MarovelError
{
public:
    enum Kind { WorkspaceRevoked, AlreadyUndone };

    explicit CollaborationError(Kind kind) : m_kind(kind) {}
    Kind kind() const { return m_kind; }
    QString description() const override;

    bool operator==(const CollaborationError &other) const { return m_kind == other.m_kind; }

private:
    Kind m_kind;
};

// The operating system's reason for the last failure (errno), in English.
QString systemReason(int error);
