#include "FileFilter.h"

#include "Extractor.h"

#include <QFileInfo>
#include <QStringList>

namespace {

QStringList components(const QString &path)
{
    return QFileInfo(path).absoluteFilePath().split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

bool insideDevDir(const QStringList &parts)
{
    const auto &dirs = FileFilter::devDirs();
    return std::any_of(parts.begin(), parts.end(),
                       [&](const QString &part) { return dirs.contains(part); });
}

bool insidePackage(const QStringList &parts)
{
    const auto &packages = FileFilter::indexPackageDirs();
    return std::any_of(parts.begin(), parts.end(), [&](const QString &part) {
        return std::any_of(packages.begin(), packages.end(),
                           [&](const QString &package) { return part.endsWith(package); });
    });
}

} // namespace

const QSet<QString> &FileFilter::codeExt()
{
    static const QSet<QString> set = {
        "py",     "pyc",    "pyi",    "pyx",      "js",      "mjs",     "cjs",     "ts",   "tsx",
        "jsx",    "vue",    "svelte", "swift",    "go",      "rs",      "java",    "kt",   "kts",
        "scala",  "groovy", "c",      "cc",       "cpp",     "cxx",     "h",       "hh",   "hpp",
        "m",      "mm",     "rb",     "php",      "pl",      "pm",      "lua",     "r",    "jl",
        "dart",   "ex",     "exs",    "erl",      "hs",      "clj",     "elm",     "sh",   "bash",
        "zsh",    "fish",   "bat",    "cmd",      "ps1",     "sql",     "graphql", "gql",  "proto",
        "xml",    "xsd",    "css",    "scss",     "sass",    "less",    "styl",    "toml", "lock",
        "gradle", "cmake",  "mk",     "xcconfig", "podspec", "gemspec", "bazel",   "bzl",  "gyp",
        "gypi"};
    return set;
}

const QSet<QString> &FileFilter::devDirs()
{
    static const QSet<QString> set = {"node_modules",
                                      ".git",
                                      ".svn",
                                      ".hg",
                                      "venv",
                                      ".venv",
                                      "env",
                                      ".env",
                                      "virtualenv",
                                      "site-packages",
                                      "__pycache__",
                                      ".build",
                                      "build",
                                      "dist",
                                      "target",
                                      ".next",
                                      ".nuxt",
                                      "out",
                                      "vendor",
                                      "Pods",
                                      "Carthage",
                                      "DerivedData",
                                      ".gradle",
                                      ".idea",
                                      ".vscode",
                                      "obj",
                                      ".tox",
                                      "coverage",
                                      ".pytest_cache",
                                      ".mypy_cache",
                                      ".cargo",
                                      ".dart_tool",
                                      "cmake-build-debug",
                                      "cmake-build-release",
                                      "bower_components",
                                      ".terraform"};
    return set;
}

const QSet<QString> &FileFilter::indexPackageDirs()
{
    static const QSet<QString> set = {"Applications", ".app",        ".framework", ".xcodeproj",
                                      ".xcworkspace", ".playground", ".xcarchive"};
    return set;
}

const QSet<QString> &FileFilter::buildFiles()
{
    static const QSet<QString> set = {
        "makefile", "dockerfile", "cmakelists.txt", "rakefile",    "gemfile",    "podfile",
        "brewfile", "procfile",   "vagrantfile",    "jenkinsfile", ".gitignore", ".dockerignore"};
    return set;
}

bool FileFilter::shouldSkipForIndexing(const QString &path)
{
    const QStringList parts = components(path);
    if (!parts.isEmpty() && parts.constLast().startsWith(QLatin1Char('.')))
        return true;
    return insideDevDir(parts) || insidePackage(parts);
}

bool FileFilter::excludedFromNaming(const QString &path, bool isFolder)
{
    if (isFolder)
        return true;
    const QStringList parts = components(path);
    const QString name = parts.isEmpty() ? QString() : parts.constLast();
    if (name.startsWith(QLatin1Char('.')))
        return true;
    if (codeExt().contains(Extractor::pathExtension(name)))
        return true;
    if (buildFiles().contains(name.toLower()))
        return true;
    return insideDevDir(parts);
}
