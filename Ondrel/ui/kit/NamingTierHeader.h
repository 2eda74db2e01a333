#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace Kit {

class Pill;
class SymbolView;

// The header above proposed names that says which tier made them: a ready local model
// (sparkles in cobalt and the caller's title) or the basic rules (a grey list glyph, a
// fixed explanation and a "基础" badge). Compact is the small form for narrow places. The
// stale hint (the names were made before the model was ready) shows only when ready.
// Pure display; callers pass `readyTitle` already translated.
class NamingTierHeader : public QWidget
{
    Q_OBJECT

public:
    explicit NamingTierHeader(QWidget *parent = nullptr);
    NamingTierHeader(bool ready, const QString &readyTitle, bool compact, bool staleHint,
                     QWidget *parent = nullptr);

    void setValues(bool ready, const QString &readyTitle, bool compact, bool staleHint);
    void setReady(bool ready);
    void setReadyTitle(const QString &title);

    bool ready() const { return m_ready; }
    bool compact() const { return m_compact; }

private:
    void apply();

    bool m_ready = false;
    QString m_readyTitle;
    bool m_compact = false;
    bool m_staleHint = false;

    SymbolView *m_glyph;
    QLabel *m_title;
    Pill *m_badge;
    QLabel *m_hint;
};

} // namespace Kit
