// main() of every test executable: each test runs in a fresh temporary folder that holds
// its HOME, XDG folders and MAROVEL_HOME, so tests never see each other's files, whether
// CTest runs them one per process or a developer runs the whole executable.
#include <QCoreApplication>
#ifdef MAROVEL_TEST_GUI
#include <QApplication>
#endif
#include <QDir>

#include <QThreadPool>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class IsolatedFolders : public testing::EmptyTestEventListener
{
public:
    explicit IsolatedFolders(std::string base) : m_base(std::move(base)) {}

    void OnTestStart(const testing::TestInfo &) override
    {
        const std::string root = m_base + "/" + std::to_string(++m_count);
        const auto place = [&](const char *name, const std::string &sub) {
            const std::string path = root + "/" + sub;
            QDir().mkpath(QString::fromStdString(path));
            ::setenv(name, path.c_str(), 1);
        };
        QDir().mkpath(QString::fromStdString(root));
        ::setenv("MAROVEL_TEST_ROOT", root.c_str(), 1);
        place("HOME", "home");
        place("XDG_CONFIG_HOME", "home/.config");
        place("XDG_DATA_HOME", "home/.local/share");
        place("XDG_CACHE_HOME", "home/.cache");
        ::setenv("MAROVEL_HOME", (root + "/marovel-home").c_str(), 1);
        // No usage event may leave the machine, whatever address the build was given;
        // tests that check telemetry point this at their own loopback server.
        ::setenv("MAROVEL_TELEMETRY_URL", "", 1);
        QDir::setCurrent(QString::fromStdString(root));
    }

private:
    std::string m_base;
    int m_count = 0;
};

} // namespace

int main(int argc, char **argv)
{
    // Under /tmp, never under a folder named like a development folder ("build", ...).
    char pattern[] = "/tmp/marovel-test-XXXXXX";
    const char *base = ::mkdtemp(pattern);
    if (!base)
        return 2;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::setlocale(LC_ALL, "C.UTF-8");

    ::testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new IsolatedFolders(base));
#ifdef MAROVEL_TEST_GUI
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    const int result = RUN_ALL_TESTS();
    QThreadPool::globalInstance()->waitForDone(30000);
    if (!std::getenv("MAROVEL_KEEP_TEST_HOME")) {
        // Also names that are not UTF-8. A writer thread still finishing a file may add or
        // remove a name meanwhile: try again rather than fail a test that passed.
        std::error_code error;
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (std::filesystem::remove_all(base, error) != static_cast<std::uintmax_t>(-1) && !error)
                break;
        }
    }
#if defined(__SANITIZE_ADDRESS__)
    return result; // the leak check runs in the exit handlers
#else
    // As the application does: the workers of the background pools (detection, thumbnails)
    // may still run, and static destructors would pull their tables away under them.
    std::fflush(nullptr);
    std::_Exit(result);
#endif
}
