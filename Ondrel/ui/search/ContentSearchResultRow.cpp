#include "ContentSearchResultRow.h"

#include "Localization.h"
#include "SnippetView.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

FileTypeIconView::FileTypeIconView(const QString &fileName, int size, QWidget *parent)
    : QWidget(parent), m_fileName(fileName), m_size(size)
{
    setFixedSize(size, size);
}

QIcon FileTypeIconView::iconFor(const QString &fileName)
{
    static QHash<QString, QIcon> cache; // GUI thread only
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    const auto found = cache.constFind(type.name());
    if (found != cache.cend())
        return *found;
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(QStringLiteral("text-x-generic"));
    cache.insert(type.name(), icon);
    return icon;
}

void FileTypeIconView::paintEvent(QPaintEvent *)
{
    if (!m_resolved) {
        m_icon = iconFor(m_fileName);
        m_resolved = true;
    }
    QPainter painter(this);
    m_icon.paint(&painter, rect());
}

ContentSearchResultRow::ContentSearchResultRow(const ContentIndex::SearchResult &result,
                                               const QString &sourceLabel, QWidget *parent)
    : QFrame(parent), m_result(result), m_reveal(Kit::plainButton(this)), m_open(Kit::plainButton(this))
{
    setObjectName(QStringLiteral("resultRow"));
    m_reveal->setObjectName(QStringLiteral("revealButton"));
    m_open->setObjectName(QStringLiteral("openButton"));

    auto *icon = new FileTypeIconView(result.name, 34, this);
    icon->setObjectName(QStringLiteral("resultIcon"));

    auto *name = new Kit::ElidingLabel(result.name, this);
    name->setObjectName(QStringLiteral("resultName"));
    QFont nameFont = Kit::font(Kit::TextRole::callout);
    nameFont.setWeight(QFont::Medium);
    name->setFont(nameFont);

    auto *snippet = new SnippetView(this);
    snippet->setObjectName(QStringLiteral("resultSnippet"));
    snippet->setText(result.snippet.isEmpty() ? result.directory : result.snippet);
    Kit::setTextRole(snippet, Kit::TextRole::caption);
    Kit::setTextLevel(snippet, Kit::Level::secondary);

    // Meta line: the source with a document icon, then the folder cut in the middle.
    auto *meta = new QHBoxLayout;
    meta->setSpacing(Kit::Space::normal);
    auto *sourceIcon = new Kit::SymbolView(QStringLiteral("doc.text"), 10, this);
    sourceIcon->setTint(Kit::Tint::gray);
    auto *source = Kit::plainLabel(sourceLabel, this);
    source->setObjectName(QStringLiteral("resultSource"));
    auto *folder = new Kit::ElidingLabel(result.directory, this);
    folder->setObjectName(QStringLiteral("resultFolder"));
    folder->setElideMode(Qt::ElideMiddle);
    for (QWidget *part : {static_cast<QWidget *>(source), static_cast<QWidget *>(folder)}) {
        Kit::setTextRole(part, Kit::TextRole::caption2);
        Kit::setTextLevel(part, Kit::Level::tertiary);
    }
    auto *sourceBox = new QHBoxLayout;
    sourceBox->setSpacing(Kit::Space::hairline);
    sourceBox->addWidget(sourceIcon);
    sourceBox->addWidget(source);
    meta->addLayout(sourceBox);
    meta->addWidget(folder, 1);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(Kit::Space::tight);
    texts->addWidget(name);
    texts->addWidget(snippet);
    texts->addLayout(meta);

    auto *actions = new QVBoxLayout;
    actions->setSpacing(5);
    for (QToolButton *button : {m_reveal, m_open}) {
        button->setAutoRaise(false); // small bordered buttons
        button->setFont(Kit::font(Kit::TextRole::caption));
        actions->addWidget(button, 0, Qt::AlignRight);
    }
    actions->addStretch(1);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(Kit::Space::normal, 5, Kit::Space::normal, 5);
    row->setSpacing(10);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    row->addSpacing(Kit::Space::normal);
    row->addLayout(actions);

    Kit::retranslate(this, [this] {
        setToolTip(L("双击定位到文件"));
        m_reveal->setText(L("定位"));
        Kit::name(m_reveal, L("定位"));
        m_open->setText(L("打开"));
        Kit::name(m_open, L("打开"));
    });
    connect(m_reveal, &QToolButton::clicked, this, &ContentSearchResultRow::revealRequested);
    connect(m_open, &QToolButton::clicked, this, &ContentSearchResultRow::openRequested);
}

void ContentSearchResultRow::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        emit revealRequested();
        event->accept();
        return;
    }
    QFrame::mouseDoubleClickEvent(event);
}
