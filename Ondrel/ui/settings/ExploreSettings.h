#pragma once

#include "SettingsForm.h"

#include <QAbstractButton>
#include <QUrl>

#include <functional>

// A whole row that opens a web page: it looks like a row of the form (no button frame),
// lights up under the pointer, and takes the keyboard like a button. Its children are
// drawn but do not take the mouse.
class LinkRow : public QAbstractButton
{
    Q_OBJECT

public:
    explicit LinkRow(QWidget *parent = nullptr);
    // Lays out `content` as the row.
    void setContent(QLayout *content);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
};

// The Explore page ("探索"): the maker's family of small local tools, each row and the
// closing row opening the maker's web site.
class ExploreSettings : public SettingsForm::Page
{
    Q_OBJECT

public:
    ExploreSettings(const QUrl &makerUrl, std::function<void(const QUrl &)> open, QWidget *parent = nullptr);

private:
    LinkRow *productRow(const QString &symbol, const QString &name, const QString &description, QWidget *parent);
    LinkRow *linkTo(LinkRow *row);

    QUrl m_makerUrl;
    std::function<void(const QUrl &)> m_open;
};
