#include "QuickLook.h"

#include "Localization.h"
#include "WhenReady.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStackedWidget>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent>

// A picture fitted into the pane keeping its proportions, never enlarged past its own
// size; a page of a document gets a white sheet with a thin edge.
class PicturePane : public QWidget
{
public:
    explicit PicturePane(QWidget *parent = nullptr) : QWidget(parent) {}

    void setPicture(const QImage &image, bool page)
    {
        m_image = image;
        m_page = page;
        update();
    }
    const QImage &picture() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (m_image.isNull())
            return;
        const QRect area = rect().adjusted(Kit::Space::wide, Kit::Space::wide, -Kit::Space::wide,
                                           -Kit::Space::wide);
        const QSizeF natural = m_image.deviceIndependentSize();
        QSizeF shown = natural;
        if (shown.width() > area.width() || shown.height() > area.height())
            shown = natural.scaled(area.size(), Qt::KeepAspectRatio);
        const QRectF target(area.x() + (area.width() - shown.width()) / 2,
                            area.y() + (area.height() - shown.height()) / 2, shown.width(),
                            shown.height());
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (m_page) {
            painter.fillRect(target, Qt::white);
            painter.setPen(Kit::textColor(Kit::Level::tertiary, palette()));
            painter.drawRect(target.adjusted(-0.5, -0.5, 0.5, 0.5));
        }
        painter.drawImage(target, m_image);
    }

private:
    QImage m_image;
    bool m_page = false;
};

namespace {

QuickLook *sharedWindow = nullptr;

QLabel *factLabel(QWidget *parent, Kit::TextRole role, Kit::Level level)
{
    QLabel *label = Kit::plainLabel(QString(), parent);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    Kit::setTextRole(label, role);
    Kit::setTextLevel(label, level);
    return label;
}

QString joined(const QStringList &parts)
{
    QStringList kept;
    for (const QString &part : parts)
        if (!part.isEmpty())
            kept << part;
    return kept.join(QStringLiteral("  ·  "));
}

QIcon typeIcon(const QuickLookContent &content)
{
    QIcon icon = QIcon::fromTheme(content.iconName);
    if (icon.isNull())
        icon = QIcon::fromTheme(content.isDir ? QStringLiteral("folder")
                                              : QStringLiteral("text-x-generic"));
    return icon;
}

} // namespace

QuickLook &QuickLook::shared()
{
    if (!sharedWindow) {
        sharedWindow = new QuickLook;
        QObject::connect(sharedWindow, &QObject::destroyed, [] { sharedWindow = nullptr; });
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, sharedWindow, [] { delete sharedWindow; });
    }
    return *sharedWindow;
}

void QuickLook::toggle(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    QuickLook &window = shared();
    if (window.isVisible()) {
        window.m_paths = paths;
        window.close();
        return;
    }
    window.open(paths);
}

QuickLook::QuickLook(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("quickLook"));
    resize(760, 600);

    m_previous = Kit::iconButton(QStringLiteral("chevron.left"), this);
    m_previous->setObjectName(QStringLiteral("quickLookPrevious"));
    m_next = Kit::iconButton(QStringLiteral("chevron.right"), this);
    m_next->setObjectName(QStringLiteral("quickLookNext"));
    m_counter = Kit::plainLabel(QString(), this);
    m_counter->setObjectName(QStringLiteral("quickLookCounter"));
    Kit::setTextLevel(m_counter, Kit::Level::secondary);
    m_name = new Kit::ElidingLabel(this);
    m_name->setObjectName(QStringLiteral("quickLookName"));
    m_name->setElideMode(Qt::ElideMiddle);
    Kit::setTextRole(m_name, Kit::TextRole::headline);
    for (QToolButton *button : {m_previous, m_next})
        button->setFocusPolicy(Qt::NoFocus); // the window keeps the keys

    auto *header = new QHBoxLayout;
    header->setContentsMargins(Kit::Space::margin, Kit::Space::normal, Kit::Space::margin, 0);
    header->setSpacing(Kit::Space::small);
    header->addWidget(m_previous);
    header->addWidget(m_next);
    header->addWidget(m_counter);
    header->addSpacing(Kit::Space::normal);
    header->addWidget(m_name, 1);

    m_pages = new QStackedWidget(this);
    m_loadingPage = new QWidget(m_pages);
    auto *spinnerLayout = new QVBoxLayout(m_loadingPage);
    spinnerLayout->addWidget(new Kit::Spinner(24, m_loadingPage), 0, Qt::AlignCenter);
    m_picture = new PicturePane(m_pages);
    m_picture->setObjectName(QStringLiteral("quickLookPicture"));
    m_text = new QPlainTextEdit(m_pages);
    m_text->setObjectName(QStringLiteral("quickLookText"));
    m_text->setReadOnly(true);
    m_text->setFocusPolicy(Qt::NoFocus);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setFrameShape(QFrame::NoFrame);
    m_text->document()->setDocumentMargin(Kit::Space::wide);

    m_factsPage = new QWidget(m_pages);
    m_factsPage->setObjectName(QStringLiteral("quickLookFacts"));
    m_icon = Kit::plainLabel(QString(), m_factsPage);
    m_icon->setAlignment(Qt::AlignCenter);
    m_factsName = factLabel(m_factsPage, Kit::TextRole::headline, Kit::Level::primary);
    m_factsName->setObjectName(QStringLiteral("quickLookFactsName"));
    m_factsKind = factLabel(m_factsPage, Kit::TextRole::body, Kit::Level::secondary);
    m_factsDetails = factLabel(m_factsPage, Kit::TextRole::callout, Kit::Level::secondary);
    auto *facts = new QVBoxLayout(m_factsPage);
    facts->addStretch(1);
    facts->addWidget(m_icon);
    facts->addSpacing(Kit::Space::wide);
    facts->addWidget(m_factsName);
    facts->addWidget(m_factsKind);
    facts->addWidget(m_factsDetails);
    facts->addStretch(1);

    for (QWidget *page : {m_loadingPage, static_cast<QWidget *>(m_picture),
                          static_cast<QWidget *>(m_text), m_factsPage})
        m_pages->addWidget(page);

    m_footer = Kit::plainLabel(QString(), this);
    m_footer->setObjectName(QStringLiteral("quickLookFooter"));
    m_footer->setAlignment(Qt::AlignCenter);
    Kit::setTextRole(m_footer, Kit::TextRole::caption);
    Kit::setTextLevel(m_footer, Kit::Level::secondary);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, Kit::Space::normal);
    column->setSpacing(Kit::Space::small);
    column->addLayout(header);
    column->addWidget(m_pages, 1);
    column->addWidget(m_footer);

    connect(m_previous, &QToolButton::clicked, this, [this] { showItem(m_index - 1); });
    connect(m_next, &QToolButton::clicked, this, [this] { showItem(m_index + 1); });
    Kit::retranslate(this, [this] {
        Kit::name(m_previous, L("上一个"), true);
        Kit::name(m_next, L("下一个"), true);
        if (!m_paths.isEmpty() && !m_loading)
            load(); // the facts are worded in the interface language
    });
}

void QuickLook::open(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    m_paths = paths;
    m_index = 0;
    load();
    show();
    raise();
    activateWindow();
}

void QuickLook::showItem(int index)
{
    if (m_paths.isEmpty())
        return;
    index = qBound(0, index, int(m_paths.size()) - 1);
    if (index == m_index)
        return;
    m_index = index;
    load();
}

void QuickLook::load()
{
    const QString path = m_paths.value(m_index);
    const bool several = m_paths.size() > 1;
    m_counter->setText(QStringLiteral("%1 / %2").arg(m_index + 1).arg(m_paths.size()));
    m_counter->setVisible(several);
    m_previous->setVisible(several);
    m_next->setVisible(several);
    m_previous->setEnabled(m_index > 0);
    m_next->setEnabled(m_index + 1 < m_paths.size());
    const QString name = QFileInfo(path).fileName();
    m_name->setText(name.isEmpty() ? path : name);
    setWindowTitle(name.isEmpty() ? path : name);
    m_footer->clear();
    m_pages->setCurrentWidget(m_loadingPage);
    m_loading = true;

    const quint64 generation = ++m_generation;
    const QSize pixels = picturePixels();
    whenReady(QtConcurrent::run([path, pixels] { return QuickLookContent::load(path, pixels); }),
              this, [this, generation](const QuickLookContent &content) {
                  if (generation == m_generation) // else another item is shown by now
                      present(content);
              });
}

void QuickLook::present(const QuickLookContent &content)
{
    m_loading = false;
    m_kind = content.kind;
    switch (content.kind) {
    case QuickLookContent::Kind::image:
    case QuickLookContent::Kind::pdf: {
        // Read at the screen's pixel density: shown at its own size it is sharp.
        QImage picture = content.image;
        picture.setDevicePixelRatio(devicePixelRatioF());
        m_picture->setPicture(picture, content.kind == QuickLookContent::Kind::pdf);
        m_pages->setCurrentWidget(m_picture);
        break;
    }
    case QuickLookContent::Kind::text:
        m_text->setPlainText(content.text);
        m_pages->setCurrentWidget(m_text);
        break;
    case QuickLookContent::Kind::facts:
        showFacts(content);
        return;
    }
    m_footer->setText(joined({content.kindText, content.sizeText, content.modifiedText}));
}

void QuickLook::showFacts(const QuickLookContent &content)
{
    const int side = 128;
    m_icon->setPixmap(typeIcon(content).pixmap(side, side));
    m_factsName->setText(m_name->text());
    if (!content.exists) {
        m_factsKind->setText(L("找不到此文件"));
        m_factsDetails->clear();
    } else {
        m_factsKind->setText(content.kindText);
        m_factsDetails->setText(joined({content.sizeText, content.modifiedText}));
    }
    m_pages->setCurrentWidget(m_factsPage);
}

QSize QuickLook::picturePixels() const
{
    // Pictures are made for the largest the window can become on its screen.
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->availableSize() : QSize(1600, 1200);
    const double ratio = screen ? screen->devicePixelRatio() : 1.0;
    return (QSizeF(available) * ratio).toSize().boundedTo({4096, 4096}).expandedTo({64, 64});
}

void QuickLook::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Left:
        showItem(m_index - 1);
        return;
    case Qt::Key_Right:
        showItem(m_index + 1);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void QuickLook::closeEvent(QCloseEvent *event)
{
    ++m_generation; // a read still running is not shown
    m_loading = false;
    QWidget::closeEvent(event);
}
