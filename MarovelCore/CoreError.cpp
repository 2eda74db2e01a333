#include "CoreError.h"

#include "Localization.h"

#include <cstring>

const char *MarovelError::what() const noexcept
{
    try {
        m_what = description().toUtf8();
    } catch (...) {
        return "Marovel error";
    }
    return m_what.constData();
}

QString CollaborationError::description() const
{
    switch (m_kind) {
    case WorkspaceRevoked:
        return Loc::shared().string(LKey("工作区授权已失效或路径已变更，操作未执行"));
    case AlreadyUndone:
        return Loc::shared().string(LKey("该操作已撤销，无法重复撤销"));
    }
    return {};
}

QString systemReason(int error)
{
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not live in the buffer.
    const char *text = strerror_r(error, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text);
}
