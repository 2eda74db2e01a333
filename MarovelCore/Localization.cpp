#include "Localization.h"

#include "Defaults.h"
#include "StringsTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMutexLocker>
#include <QThread>

namespace {

// The real file of the running executable, with symbolic links resolved.
QString executablePath()
{
    const QString target = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (!target.isEmpty())
        return target;
    const QStringList args = QCoreApplication::instance() ? QCoreApplication::arguments()
                                                          : QStringList();
    return args.isEmpty() ? QString() : QFileInfo(args.first()).canonicalFilePath();
}

} // namespace

const QStringList &Loc::supported()
{
    static const QStringList languages{QStringLiteral("zh-Hans"), QStringLiteral("en")};
    return languages;
}

Loc &Loc::shared()
{
    // Never destroyed: texts may be asked for while other statics are torn down.
    static Loc *instance = new Loc;
    return *instance;
}

Loc::Loc()
{
    if (auto *app = QCoreApplication::instance())
        moveToThread(app->thread());
    m_language = resolve();
    m_table = loadTable(m_language);
}

QString Loc::language() const
{
    QMutexLocker locker(&m_lock);
    return m_language;
}

QString Loc::string(const QString &key) const
{
    QMutexLocker locker(&m_lock);
    return m_table.value(key, key);
}

QString Loc::string(const QString &key, const FormatArgs &args) const
{
    QString format = string(key);
    if (args.isEmpty())
        return format;
    // A translation that takes other arguments than its key would misplace or miss
    // arguments: the key's own format is used instead.
    if (format != key && Format::signature(format) != Format::signature(key))
        format = key;
    return Format::apply(format, args);
}

std::optional<QString> Loc::override() const
{
    const QString stored = Defaults::shared().string(overrideKey);
    if (supported().contains(stored))
        return stored;
    return std::nullopt;
}

void Loc::setOverride(const std::optional<QString> &language)
{
    Defaults &defaults = Defaults::shared();
    if (language && supported().contains(*language)) {
        defaults.setValue(overrideKey, *language);
        defaults.setValue(appleLanguagesKey, QVariantList{*language});
    } else {
        defaults.remove(overrideKey);
        defaults.remove(appleLanguagesKey);
    }
    refresh();
}

void Loc::refresh()
{
    const QString language = resolve();
    QHash<QString, QString> table = loadTable(language);
    {
        QMutexLocker locker(&m_lock);
        m_language = language;
        m_table = std::move(table);
    }
    auto *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == thread())
        bumpRevision();
    else
        QMetaObject::invokeMethod(this, &Loc::bumpRevision, Qt::QueuedConnection);
}

void Loc::bumpRevision()
{
    ++m_revision;
    emit revisionChanged(m_revision);
}

QString Loc::resolve()
{
    const QString stored = Defaults::shared().string(overrideKey);
    if (supported().contains(stored))
        return stored;
    return resolveSystem();
}

QString Loc::resolveSystem()
{
    return resolveSystem(QLocale::system().uiLanguages());
}

QString Loc::resolveSystem(const QStringList &preferredLanguages)
{
    for (const QString &language : preferredLanguages) {
        const QString lower = language.toLower();
        if (lower.startsWith(u"zh"))
            return QStringLiteral("zh-Hans");
        if (lower.startsWith(u"en"))
            return QStringLiteral("en");
    }
    return QStringLiteral("en");
}

QHash<QString, QString> Loc::loadTable(const QString &language)
{
    if (language == sourceLanguage)
        return {};
    const auto path = resourceURL(language);
    if (!path)
        return {};
    return StringsTable::load(*path).value_or(QHash<QString, QString>{});
}

std::optional<QString> Loc::resourceURL(const QString &language)
{
    const QString exe = executablePath();
    if (exe.isEmpty())
        return std::nullopt;
    const QString relative = language + QStringLiteral(".lproj/Localizable.strings");
    const QDir dir = QFileInfo(exe).absoluteDir();
    // The installed layout (bin/ and libexec/marovel/ beside share/marovel/), which the
    // build tree mirrors; then the folder of the executable itself.
    const QStringList candidates{
        dir.filePath(QStringLiteral("../share/marovel/") + relative),
        dir.filePath(QStringLiteral("../../share/marovel/") + relative),
        dir.filePath(relative),
    };
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(candidate);
    }
    return std::nullopt;
}
