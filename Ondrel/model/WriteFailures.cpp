#include "WriteFailures.h"

#include "CoreError.h"

#include <QtGlobal>

bool WriteFailures::note(const QString &path, int error)
{
    if (error == 0) {
        m_failing.remove(path);
        return false;
    }
    const auto known = m_failing.constFind(path);
    if (known != m_failing.cend() && known.value() == error)
        return false;
    m_failing.insert(path, error);
    qWarning("Marovel: could not write %s: %s", qUtf8Printable(path), qUtf8Printable(systemReason(error)));
    return true;
}
