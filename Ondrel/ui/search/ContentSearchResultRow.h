#pragma once

#include "ContentIndex.h"

#include <QFrame>
#include <QIcon>

class QToolButton;
class SnippetView;
namespace Kit {
class ElidingLabel;
}

// The file-type icon of a name, looked up by its extension (the file itself is never
// read) the first time the view is painted, so rows scrolled out of sight cost nothing.
class FileTypeIconView : public QWidget
{
    Q_OBJECT

public:
    explicit FileTypeIconView(const QString &fileName, int size, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {m_size, m_size}; }
    bool isResolved() const { return m_resolved; }
    // The theme icon for a file name by its extension, cached per MIME type.
    static QIcon iconFor(const QString &fileName);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_fileName;
    QIcon m_icon;
    int m_size;
    bool m_resolved = false;
};

// One hit of the content search: the file's icon, its name, the snippet (or its folder
// when the snippet is empty), the source and folder line, and "定位" and "打开". A double
// click anywhere locates the file, like "定位". Every text from the index is shown as
// plain text, exactly as it stands.
class ContentSearchResultRow : public QFrame
{
    Q_OBJECT

public:
    ContentSearchResultRow(const ContentIndex::SearchResult &result, const QString &sourceLabel,
                           QWidget *parent = nullptr);

    const ContentIndex::SearchResult &result() const { return m_result; }

signals:
    void revealRequested();
    void openRequested();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    ContentIndex::SearchResult m_result;
    QToolButton *m_reveal;
    QToolButton *m_open;
};
