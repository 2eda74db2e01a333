// A small second process for tests that need one: settings written here are read back by
// the test, and the language table is looked up from wherever this file really lies.
#include "Defaults.h"
#include "Localization.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <cstdio>

namespace {

QJsonValue describe(const QVariant &value)
{
    return QJsonObject{{QStringLiteral("type"), QString::fromLatin1(value.typeName())},
                       {QStringLiteral("text"), value.toString()},
                       {QStringLiteral("count"), qint64(value.toList().size())}};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString command = args.value(1);
    Defaults &defaults = Defaults::shared();

    if (command == u"write-defaults") {
        defaults.setValue(QStringLiteral("flag"), true);
        defaults.setValue(QStringLiteral("emptyList"), QVariantList{});
        defaults.setValue(QStringLiteral("oneList"), QStringList{QStringLiteral("only")});
        defaults.setValue(QStringLiteral("blob"), QByteArray("\x00\x01\xff", 3));
        defaults.setValue(QStringLiteral("when"),
                          QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 250), Qt::UTC));
        defaults.setValue(QStringLiteral("count"), 42);
        defaults.sync();
        return 0;
    }
    if (command == u"read-defaults") {
        QJsonObject out;
        for (const QString &key : args.mid(2)) {
            if (key.startsWith(u'-'))
                break;
            out.insert(key, defaults.contains(key) ? describe(defaults.value(key)) : QJsonValue());
        }
        out.insert(QStringLiteral("blobHex"),
                   QString::fromLatin1(defaults.data(QStringLiteral("blob")).toHex()));
        out.insert(QStringLiteral("whenMs"),
                   defaults.date(QStringLiteral("when")).toMSecsSinceEpoch());
        std::fputs(QJsonDocument(out).toJson(QJsonDocument::Compact).constData(), stdout);
        return 0;
    }
    if (command == u"resource-url") {
        const auto url = Loc::resourceURL(args.value(2));
        std::fputs(url ? url->toUtf8().constData() : "<none>", stdout);
        return 0;
    }
    if (command == u"translate") {
        std::fputs(Loc::shared().string(args.value(2)).toUtf8().constData(), stdout);
        return 0;
    }
    if (command == u"format") {
        // Arguments that read as integers are passed as integers.
        FormatArgs formatArgs;
        for (const QString &arg : args.mid(3)) {
            if (arg.startsWith(u'-'))
                break;
            bool isNumber = false;
            const qlonglong n = arg.toLongLong(&isNumber);
            formatArgs.append(isNumber ? FormatArg(n) : FormatArg(arg));
        }
        std::fputs(Loc::shared().string(args.value(2), formatArgs).toUtf8().constData(), stdout);
        return 0;
    }
    return 2;
}
