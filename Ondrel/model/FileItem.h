#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// One entry of a listed folder. Plain value: the listing fills the file facts, the organise
// and apply operations fill the suggestion fields. Identity is the path; there is no
// equality beyond that.
struct FileItem
{
    // Cleaned absolute path without a trailing "/" (see identityPath); the item's identity.
    QString path;
    QString name;
    bool isDir = false;
    qint64 size = 0;
    QDateTime modified = distantPast();
    QDateTime created = distantPast(); // the date sort compares this field
    QString kind;
    QStringList tags;
    bool isHidden = false;
    bool isAlias = false;  // a symbolic link
    bool isOnline = false; // content not on this disk (never on Linux; see OnlineFiles)

    std::optional<QString> suggestion;
    QString conf = noConfidence();
    QString reason;
    bool accept = false;

    const QString &id() const { return path; }

    // The placeholder date of a fact that could not be read (0001-01-01 UTC).
    static QDateTime distantPast();
    // The confidence label of "no suggestion": one em dash.
    static QString noConfidence();
    // The identity form of a path: absolute, cleaned, no trailing "/" except for the root.
    static QString identityPath(const QString &path);
};

// Every member moves by its bytes, so lists of items grow by reallocation, not by
// moving 100,000 items one at a time.
Q_DECLARE_TYPEINFO(FileItem, Q_RELOCATABLE_TYPE);
