#pragma once

#include <QString>
#include <QWidget>

class QLabel;

// A short green promise ("永不删除") with its symbol on a green capsule. The text label is
// the caller's, so it can re-translate it in place; the pill takes it over.
class TrustPill : public QWidget
{
    Q_OBJECT

public:
    TrustPill(const QString &symbol, QLabel *text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
