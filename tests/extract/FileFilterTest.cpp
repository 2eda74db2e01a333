// Which files the organiser and the content index leave alone.
#include "FileFilter.h"

#include <gtest/gtest.h>

TEST(FileFilter, SetsHaveTheirMembers)
{
    EXPECT_EQ(FileFilter::codeExt().size(), 73);
    EXPECT_EQ(FileFilter::devDirs().size(), 36);
    EXPECT_EQ(FileFilter::indexPackageDirs().size(), 7);
    EXPECT_EQ(FileFilter::buildFiles().size(), 12);
}

TEST(FileFilter, IndexAndNamingRules)
{
    struct Case
    {
        const char *path;
        bool folder;
        bool skipIndex;
        bool leaveOutOfNaming;
    };
    const Case cases[] = {
        // Development folders at any depth, even ordinary folders of the user's.
        {"/home/u/Documents/build/report.pdf", false, true, true},
        {"/home/u/a/b/out/c/d/scan.png", false, true, true},
        {"/home/u/env/notes.txt", false, true, true},
        {"/srv/dist/x.pdf", false, true, true},
        {"/home/u/target/x.pdf", false, true, true},
        {"/home/u/obj/x.pdf", false, true, true},
        {"/home/u/coverage/x.pdf", false, true, true},
        {"/home/u/vendor/x.pdf", false, true, true},
        {"/home/u/p/node_modules/pkg/readme.md", false, true, true},
        {"/home/u/build", true, true, true},
        // Matched with exact capitals only.
        {"/home/u/Documents/Build/report.pdf", false, false, false},
        {"/home/u/Pods/x.pdf", false, true, true},
        {"/home/u/pods/x.pdf", false, false, false},
        {"/home/u/DerivedData/x.pdf", false, true, true},
        {"/home/u/deriveddata/x.pdf", false, false, false},
        {"/home/u/builds/x.pdf", false, false, false},
        // Build files by lower-cased name: left out of naming, still indexed.
        {"/home/u/p/Makefile", false, false, true},
        {"/home/u/p/MAKEFILE", false, false, true},
        {"/home/u/p/makefile", false, false, true},
        {"/home/u/p/CMakeLists.txt", false, false, true},
        {"/home/u/p/Dockerfile", false, false, true},
        // Code by lower-cased extension.
        {"/home/u/p/Main.SWIFT", false, false, true},
        {"/home/u/p/notes.lock", false, false, true},
        {"/home/u/p/page.xml", false, false, true},
        {"/home/u/p/invoice.pdf", false, false, false},
        {"/home/u/p/Makefile.pdf", false, false, false},
        // Package folders: skipped by the index only, as names and as name endings.
        {"/Applications/Tool/readme.pdf", false, true, false},
        {"/opt/Preview.app/Contents/Info.txt", false, true, false},
        {"/home/u/MyApplications/x.pdf", false, true, false},
        {"/home/u/Foo.framework/Headers/x.h", false, true, true},
        {"/home/u/Project.xcodeproj", true, true, true},
        {"/home/u/applications/x.pdf", false, false, false},
        // Hidden items.
        {"/home/u/p/.gitignore", false, true, true},
        {"/home/u/.hidden.pdf", false, true, true},
        {"/home/u/.config/app/settings.json", false, false, false},
        // Folders are never named; ordinary ones are indexed.
        {"/home/u/Documents", true, false, true},
        {"/", true, false, true},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(FileFilter::shouldSkipForIndexing(c.path), c.skipIndex) << c.path;
        EXPECT_EQ(FileFilter::excludedFromNaming(c.path, c.folder), c.leaveOutOfNaming) << c.path;
    }
}
