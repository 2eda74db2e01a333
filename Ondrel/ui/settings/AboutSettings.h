#pragma once

#include <QUrl>
#include <QWidget>

#include <functional>

class QToolButton;

// The About page ("关于"): the application's symbol, name, version, slogan, promise and a
// link to the product's web site titled with its host name.
class AboutSettings : public QWidget
{
    Q_OBJECT

public:
    AboutSettings(const QUrl &productUrl, std::function<void(const QUrl &)> open, QWidget *parent = nullptr);

    // "v" and the application's version, "v0.1" when it has none.
    static QString versionLine();
};
