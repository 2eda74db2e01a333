#pragma once

#include "CoreError.h"
#include "Plan.h"

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>

// The description of the error `call` throws, or "<no error>".
inline QString errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const MarovelError &e) {
        return e.description();
    }
    return QStringLiteral("<no error>");
}

inline MarovelOperation op(OpKind kind, std::optional<QString> from, const QString &to)
{
    return {QUuid::createUuid(), kind, std::move(from), to};
}

inline MarovelOperation move(const QString &from, const QString &to)
{
    return op(OpKind::Move, from, to);
}

inline MarovelOperation mkdir(const QString &to)
{
    return op(OpKind::Mkdir, std::nullopt, to);
}

// Makes the symbolic link `at` pointing to `target`.
inline void link(const QString &target, const QString &at)
{
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()), 0);
}
