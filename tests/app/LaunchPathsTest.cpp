// Which arguments of a command line are paths to open, and where they point.
#include "LaunchPaths.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(LaunchPaths, ArgumentsBecomeAbsolutePathsOrAreSkipped)
{
    const QString cwd = TestSupport::makeFolder(QStringLiteral("work"));
    TestSupport::writeFile(cwd + QStringLiteral("/notes:draft.txt"), "x");
    struct Case
    {
        QStringList arguments;
        QStringList paths;
    };
    const Case cases[] = {
        {{"docs/report.pdf"}, {cwd + "/docs/report.pdf"}},
        {{"./a/../b", "/abs/x"}, {cwd + "/b", "/abs/x"}},
        {{"file:///tmp/a%20b/c.txt"}, {"/tmp/a b/c.txt"}},
        {{"file://localhost/tmp/x"}, {"/tmp/x"}},
        {{"file://elsewhere/tmp/x"}, {}},           // another machine's file
        {{"https://example.com/a", "trash:///b", "smb://server/share"}, {}},
        {{"notes:draft.txt"}, {cwd + "/notes:draft.txt"}}, // an existing file, not a URI
        {{"notes:missing.txt"}, {}},
        {{""}, {}},
        {{"-launchRestore", "false", "x"}, {cwd + "/x"}}, // a setting, then a path
        {{"--", "-launchRestore", "false"}, {cwd + "/-launchRestore", cwd + "/false"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        EXPECT_EQ(launchPaths(QStringList{"marovel"} + c.arguments, cwd), c.paths);
    }
}
