// main() of every test executable: isolates the process in a fresh temporary folder, then
// runs GoogleTest under a QCoreApplication.
#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

int main(int argc, char **argv)
{
    // Under /tmp, never under a folder named like a development folder ("build", ...).
    char pattern[] = "/tmp/marovel-test-XXXXXX";
    const char *root = ::mkdtemp(pattern);
    if (!root)
        return 2;
    const std::string base(root);
    const auto place = [&](const char *name, const std::string &sub) {
        const std::string path = base + "/" + sub;
        QDir().mkpath(QString::fromStdString(path));
        ::setenv(name, path.c_str(), 1);
    };
    ::setenv("MAROVEL_TEST_ROOT", root, 1);
    place("HOME", "home");
    place("XDG_CONFIG_HOME", "home/.config");
    place("XDG_DATA_HOME", "home/.local/share");
    place("XDG_CACHE_HOME", "home/.cache");
    ::setenv("MAROVEL_HOME", (base + "/marovel-home").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::setlocale(LC_ALL, "C.UTF-8");

    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    if (!std::getenv("MAROVEL_KEEP_TEST_HOME"))
        QDir(QString::fromStdString(base)).removeRecursively();
    return result;
}
