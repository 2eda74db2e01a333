#pragma once

#include "ActionPaneModel.h"

#include <QToolButton>

class QMenu;

// The open-with menu of a file: a wide, softly filled row ("用其他 App 打开" with a
// chevron) that opens a menu of the first applications able to open the file, by their
// names. Choosing one opens the file with it.
class OpenWithButton : public QToolButton
{
    Q_OBJECT

public:
    explicit OpenWithButton(ActionPaneModel &model, QWidget *parent = nullptr);

    // The file the menu opens.
    void setPath(const QString &path) { m_path = path; }
    QMenu *appMenu() const { return m_menu; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void rebuildMenu();

    ActionPaneModel &m_model;
    QMenu *m_menu;
    QString m_path;
    bool m_hover = false;
};
