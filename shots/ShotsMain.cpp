// marovel-shots: renders every state of the state table in Chinese and English, on the
// light and dark palettes, into <out>/<area>/<state>-<language>-<theme>.png, offscreen,
// in a temporary home with a fixture folder, telemetry off and no network beyond a closed
// loopback port. Exits non-zero naming each state that could not be rendered.
//
//   marovel-shots --out DIR     render into DIR
//   marovel-shots --check       render into a temporary folder and remove it (CTest)
//   marovel-shots ... --only S  only the states whose "area/state" contains S
#include "Defaults.h"
#include "Fixture.h"
#include "Localization.h"
#include "ModelDownload.h"
#include "Namer.h"
#include "Shots.h"
#include "kit/Icons.h"
#include "kit/Style.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLayout>
#include <QLabel>
#include <QStyleFactory>
#include <QTcpServer>
#include <QThread>

#include "kit/Widgets.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

struct Options
{
    QString out;
    bool check = false;
    QString only;
};

void usage()
{
    std::fprintf(stderr, "usage: marovel-shots (--out DIR | --check) [--only TEXT]\n");
}

// Temporary home and XDG folders under the system temporary folder, before Qt reads them.
std::string makeHome()
{
    char pattern[] = "/tmp/marovel-shots-XXXXXX";
    const char *root = ::mkdtemp(pattern);
    if (!root)
        return {};
    const std::string base(root);
    const auto place = [&](const char *name, const std::string &sub) {
        const std::string path = base + "/" + sub;
        std::filesystem::create_directories(path);
        ::setenv(name, path.c_str(), 1);
    };
    place("HOME", "home");
    place("XDG_CONFIG_HOME", "home/.config");
    place("XDG_DATA_HOME", "home/.local/share");
    place("XDG_CACHE_HOME", "home/.cache");
    place("XDG_STATE_HOME", "home/.local/state");
    place("MAROVEL_HOME", "marovel-home");
    // Installed, as for most users: the windows show no install banner.
    std::filesystem::create_directories(base + "/home/.local/share/applications");
    std::ofstream(base + "/home/.local/share/applications/marovel.desktop") << "[Desktop Entry]\nType=Application\n";
    std::filesystem::create_directories(base + "/runtime");
    std::filesystem::permissions(base + "/runtime", std::filesystem::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", (base + "/runtime").c_str(), 1);
    ::setenv("MAROVEL_TELEMETRY_URL", "", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("LANGUAGE", "", 1);
    return base;
}

// A loopback port nothing listens on.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

bool hasHan(const QString &text)
{
    for (const QChar c : text)
        if (c.script() == QChar::Script_Han)
            return true;
    return false;
}

// In English, a visible text with Chinese characters that is not data is a key that
// was never translated.
QStringList untranslatedTexts(QWidget *root, const QStringList &data)
{
    QStringList found;
    const auto check = [&](const QString &text) {
        if (text.isEmpty() || !hasHan(text))
            return;
        for (const QString &d : data)
            if (text.contains(d))
                return;
        found << text;
    };
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(root))
            continue;
        if (auto *label = qobject_cast<QLabel *>(w))
            check(label->text());
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            check(button->text());
        else if (auto *eliding = qobject_cast<Kit::ElidingLabel *>(w))
            check(eliding->text());
        check(w->toolTip());
        check(w->accessibleName());
    }
    return found;
}

// The offscreen platform says so for every window shown; nothing to act on.
QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

bool waitUntil(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == u"--out" && i + 1 < argc)
            options.out = QString::fromLocal8Bit(argv[++i]);
        else if (arg == u"--check")
            options.check = true;
        else if (arg == u"--only" && i + 1 < argc)
            options.only = QString::fromLocal8Bit(argv[++i]);
        else {
            usage();
            return 2;
        }
    }
    if (options.out.isEmpty() == !options.check) {
        usage();
        return 2;
    }
    if (!options.out.isEmpty())
        options.out = QDir(options.out).absolutePath(); // before HOME moves

    const std::string home = makeHome();
    if (home.empty()) {
        std::fprintf(stderr, "marovel-shots: cannot make a temporary home\n");
        return 2;
    }
    std::setlocale(LC_ALL, "C.UTF-8");
    previousHandler = qInstallMessageHandler(quietHandler);
    Kit::prepareIconTheme();
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    Kit::ensureIconTheme();

    const QString root = QString::fromStdString(home);
    if (options.check)
        options.out = root + QStringLiteral("/shots");

    Defaults &defaults = Defaults::shared();
    defaults.setValue(QStringLiteral("telemetryEnabled"), false);
    defaults.setValue(QStringLiteral("autoModelTried"), true);
    const QString nowhere = QStringLiteral("http://127.0.0.1:%1").arg(closedPort());
    defaults.setValue(Namer::endpointKey, nowhere);
    ModelDownload::setDefaultFile(ModelDownload::ModelFile{
        {nowhere + QStringLiteral("/model.gguf")}, QString(64, u'0'),
        root + QStringLiteral("/home/.local/share/Marovel/models/model.gguf"), 0, QStringLiteral("1 KB")});

    Shots::Context context;
    context.fixture = root + QStringLiteral("/fixture");
    QDir().mkpath(context.fixture);
    context.dataTexts = Shots::Fixture::create(context.fixture);
    if (context.dataTexts.isEmpty()) {
        std::fprintf(stderr, "marovel-shots: cannot write the fixture folder\n");
        return 2;
    }

    const std::pair<const char *, QPalette> themes[] = {{"light", Kit::lightPalette()},
                                                        {"dark", Kit::darkPalette()}};
    QStringList failures;
    int rendered = 0;
    for (const Shots::Shot &shot : Shots::all()) {
        const QString name = shot.area + u'/' + shot.state;
        if (!options.only.isEmpty() && !name.contains(options.only))
            continue;
        for (const char *language : {"zh-Hans", "en"}) {
            Loc::shared().setOverride(QString::fromLatin1(language));
            for (const auto &[theme, palette] : themes) {
                QApplication::setPalette(palette);
                const QString picture = QStringLiteral("%1/%2/%3-%4-%5.png")
                                            .arg(options.out, shot.area, shot.state,
                                                 QString::fromLatin1(language), QString::fromLatin1(theme));
                QWidget *widget = shot.setup(context);
                if (!widget) {
                    failures << name + QStringLiteral(": not built");
                    continue;
                }
                const int height = shot.size.height() > 0 ? shot.size.height()
                                                          : widget->sizeHint().height();
                widget->resize(shot.size.width(), height);
                widget->show();
                if (shot.size.height() <= 0) { // shown parts settle their height first
                    QCoreApplication::processEvents();
                    if (widget->layout())
                        widget->layout()->activate();
                    widget->resize(shot.size.width(), widget->sizeHint().height());
                }
                const bool ready = waitUntil([&] { return !shot.ready || shot.ready(widget); }, 10000);
                QCoreApplication::processEvents();
                if (!ready) {
                    failures << QStringLiteral("%1 (%2, %3): not ready within 10 s").arg(name, language, theme);
                } else if (QString(language) == u"en") {
                    const QStringList raw = untranslatedTexts(widget, context.dataTexts);
                    if (!raw.isEmpty())
                        failures << QStringLiteral("%1 (en, %2): untranslated: %3").arg(name, theme, raw.join(u" | "));
                }
                // Changes made by the last turn post their layout requests: let them land.
                QCoreApplication::processEvents();
                const QImage image = widget->grab().toImage();
                QDir().mkpath(QFileInfo(picture).path());
                if (image.isNull() || !image.save(picture))
                    failures << QStringLiteral("%1 (%2, %3): picture not written").arg(name, language, theme);
                else
                    ++rendered;
                delete widget;
                QCoreApplication::processEvents();
            }
        }
    }

    if (!options.check)
        std::printf("marovel-shots: %d pictures in %s\n", rendered, qPrintable(options.out));
    std::filesystem::remove_all(home);
    if (!failures.isEmpty()) {
        for (const QString &failure : failures)
            std::fprintf(stderr, "marovel-shots: FAILED %s\n", qPrintable(failure));
        return 1;
    }
    if (rendered == 0) {
        std::fprintf(stderr, "marovel-shots: no state matched\n");
        return 1;
    }
    return 0;
}
