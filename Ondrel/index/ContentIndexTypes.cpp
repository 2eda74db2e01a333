#include "ContentIndexTypes.h"

#include "Localization.h"

QString ContentIndexError::description() const
{
    switch (m_kind) {
    case Kind::Open:
        return L("本地索引无法打开：%@", m_message);
    case Kind::Query:
        return L("本地索引读写失败：%@", m_message);
    case Kind::Folder:
        break;
    }
    return m_message;
}

const char *ContentIndexError::what() const noexcept
{
    m_what = description().toUtf8();
    return m_what.constData();
}
