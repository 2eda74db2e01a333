#pragma once

#include <QSet>
#include <QString>

// Which files the AI features leave alone. Source code, build files and everything inside
// development and build folders are never named by the organiser and never read into the
// content index; package-like folders and hidden items are never indexed.
//
// Rules look at every component of the item's absolute path, so a "build" or "out" folder
// anywhere above a file counts, even an ordinary folder of the user's.
class FileFilter
{
public:
    // Lower-case extensions of source code and project configuration.
    static const QSet<QString> &codeExt();
    // Development, dependency and build folders, matched case-sensitively.
    static const QSet<QString> &devDirs();
    // Package-like folders, matched case-sensitively as whole names and as name endings.
    static const QSet<QString> &indexPackageDirs();
    // Lower-case names of build and tooling files.
    static const QSet<QString> &buildFiles();

    // The content index neither enters nor reads the item: hidden (its name starts with
    // "."), inside or itself a development folder, or inside or itself a package folder.
    // Code and build files are indexed.
    static bool shouldSkipForIndexing(const QString &path);

    // The organiser and the pre-reader leave the item out of naming: a folder, a hidden
    // item, a code file (by lower-cased extension), a build file (by lower-cased name), or
    // anything inside a development folder.
    static bool excludedFromNaming(const QString &path, bool isFolder);
};
