#include "GetInfo.h"

#include "BrowserState.h"
#include "DisplayHelpers.h"
#include "FileLister.h"
#include "FileTags.h"
#include "Localization.h"
#include "WhenReady.h"
#include "kit/SelectableText.h"
#include "kit/Style.h"
#include "kit/Thumb.h"
#include "kit/Widgets.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {

const QStringList colourTags{QStringLiteral("Red"),    QStringLiteral("Orange"), QStringLiteral("Yellow"),
                             QStringLiteral("Green"),  QStringLiteral("Blue"),   QStringLiteral("Purple"),
                             QStringLiteral("Gray")};

// The fact rows: label key and the value's object name.
struct Row
{
    const char *key;
    const char *objectName;
};
constexpr Row rows[] = {
    {LKey("种类"), "infoKind"},     {LKey("大小"), "infoSize"},        {LKey("创建"), "infoCreated"},
    {LKey("修改"), "infoModified"}, {LKey("权限"), "infoPermissions"}, {LKey("位置"), "infoLocation"},
};

constexpr int circleSide = 18;
constexpr int ringWidth = 2;

QString orDash(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("—") : text;
}

// The folder that holds the item; none for the root.
QString locationOf(const QString &path)
{
    if (path.isEmpty() || path == u"/")
        return {};
    return QFileInfo(path).path();
}

} // namespace

// TagCircle

TagCircle::TagCircle(const QString &tag, QWidget *parent) : QAbstractButton(parent), m_tag(tag)
{
    setObjectName(QStringLiteral("tagCircle-") + tag);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize TagCircle::sizeHint() const
{
    // Room for the half of the ring that lies outside the circle.
    return {circleSide + ringWidth, circleSide + ringWidth};
}

void TagCircle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    const double radius = circleSide / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(tagColor(m_tag));
    painter.drawEllipse(centre, radius, radius);
    if (isChecked()) {
        QColor ring = palette().color(QPalette::WindowText);
        ring.setAlphaF(0.9);
        painter.setPen(QPen(ring, ringWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, radius, radius);
    }
    if (hasFocus()) {
        QColor focus = palette().color(QPalette::Highlight);
        painter.setPen(QPen(focus, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, radius - ringWidth, radius - ringWidth);
    }
}

// GetInfo

GetInfo::GetInfo(BrowserState &state, QWidget *parent)
    : QWidget(parent),
      m_state(state),
      m_thumb(new Thumb(state)),
      m_name(new Kit::SelectableText),
      m_tagsTitle(Kit::plainLabel({}))
{
    setObjectName(QStringLiteral("getInfo"));

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("getInfoScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *body = new QWidget;
    body->setAutoFillBackground(false);
    scroll->setWidget(body);
    scroll->viewport()->setAutoFillBackground(false);

    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(14);

    m_thumb->setObjectName(QStringLiteral("infoThumb"));
    m_thumb->setSide(96);
    column->addWidget(m_thumb, 0, Qt::AlignHCenter);

    m_name->setObjectName(QStringLiteral("infoName"));
    m_name->setTextAlignment(Qt::AlignHCenter);
    Kit::setTextRole(m_name, Kit::TextRole::headline);
    column->addWidget(m_name);
    column->addWidget(Kit::divider(Qt::Horizontal, body));

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(Kit::Space::normal);
    grid->setVerticalSpacing(Kit::Space::small);
    grid->setColumnStretch(1, 1);
    int line = 0;
    for (const Row &row : rows) {
        const QString key = QString::fromUtf8(row.key);
        QLabel *label = Kit::plainLabel({}, body);
        Kit::setTextRole(label, Kit::TextRole::caption);
        Kit::setTextLevel(label, Kit::Level::secondary);
        label->setMinimumWidth(44);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop); // on the value's first line
        auto *value = new Kit::SelectableText(body);
        value->setObjectName(QString::fromLatin1(row.objectName));
        Kit::setTextRole(value, Kit::TextRole::caption);
        // A value that wraps keeps its label on its first line.
        grid->addWidget(label, line, 0, Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(value, line, 1, Qt::AlignTop);
        m_labels.insert(key, label);
        m_values.insert(key, value);
        ++line;
    }
    column->addLayout(grid);
    column->addWidget(Kit::divider(Qt::Horizontal, body));

    m_tagsTitle->setObjectName(QStringLiteral("infoTagsTitle"));
    Kit::setTextRole(m_tagsTitle, Kit::TextRole::caption);
    Kit::setTextLevel(m_tagsTitle, Kit::Level::secondary);
    auto *tags = new QVBoxLayout;
    tags->setSpacing(Kit::Space::small);
    tags->addWidget(m_tagsTitle);
    auto *circles = new QHBoxLayout;
    circles->setSpacing(Kit::Space::normal - ringWidth);
    for (const QString &tag : colourTags) {
        auto *circle = new TagCircle(tag, body);
        connect(circle, &QAbstractButton::clicked, this, [this, circle] { toggle(circle); });
        circles->addWidget(circle);
        m_circles << circle;
    }
    circles->addStretch(1);
    tags->addLayout(circles);
    column->addLayout(tags);
    column->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    Kit::retranslate(this, [this] { retranslate(); });
}

GetInfo::~GetInfo()
{
    stopWalk();
}

void GetInfo::setItem(const QString &path, bool isDir)
{
    if (path == m_path)
        return;
    stopWalk();
    ++m_generation;
    m_path = path;
    m_facts.reset();
    m_folderTotal.reset();
    m_tagWrites = 0;
    if (!path.isEmpty())
        m_thumb->setFile(path, isDir);
    render();
    if (!path.isEmpty())
        load();
}

void GetInfo::load()
{
    const quint64 generation = m_generation;
    whenReady(QtConcurrent::run(&ItemInfo::read, m_path), this,
              [this, generation](const ItemInfo::Facts &facts) {
                  if (generation == m_generation)
                      factsRead(facts);
              });
}

void GetInfo::factsRead(const ItemInfo::Facts &facts)
{
    m_facts = facts;
    if (facts.readable)
        m_thumb->setFile(m_path, facts.isDir);
    if (facts.readable && facts.isDir)
        startWalk();
    render();
}

void GetInfo::startWalk()
{
    stopWalk();
    auto stop = std::make_shared<std::atomic_bool>(false);
    m_walkStop = stop;
    const quint64 generation = m_generation;
    const QString folder = m_path;
    whenReady(QtConcurrent::run(&ItemInfo::walkPool(),
                                [folder, stop] { return ItemInfo::folderSize(folder, [stop] { return stop->load(); }); }),
              this, [this, generation](const std::optional<qint64> &total) {
                  if (generation != m_generation || !total)
                      return; // superseded
                  m_folderTotal = total;
                  render();
              });
}

void GetInfo::stopWalk()
{
    if (m_walkStop)
        m_walkStop->store(true);
    m_walkStop.reset();
}

void GetInfo::toggle(TagCircle *circle)
{
    if (m_path.isEmpty())
        return;
    // The ring follows the click at once (the button toggled itself); the disk answers
    // after the write.
    if (m_facts) {
        QStringList &tags = m_facts->tags;
        if (tags.contains(circle->tag()))
            tags.removeAll(circle->tag());
        else
            tags.append(circle->tag());
    }
    ++m_tagWrites;
    const quint64 generation = m_generation;
    whenReady(m_state.toggleTag(circle->tag(), {m_path}), this, [this, generation] {
        if (generation != m_generation || --m_tagWrites > 0)
            return;
        readBackTags();
    });
}

void GetInfo::readBackTags()
{
    const quint64 generation = m_generation;
    const QString path = m_path;
    whenReady(QtConcurrent::run([path] { return FileTags::read(path).value_or(QStringList()); }), this,
              [this, generation](const QStringList &tags) {
                  if (generation != m_generation || m_tagWrites > 0 || !m_facts)
                      return;
                  m_facts->tags = tags;
                  render();
              });
}

void GetInfo::retranslate()
{
    for (const Row &row : rows)
        m_labels.value(QString::fromUtf8(row.key))->setText(L(row.key));
    m_tagsTitle->setText(L("标签"));
    for (TagCircle *circle : std::as_const(m_circles))
        Kit::name(circle, tagDisplay(circle->tag()), true);
    render();
}

void GetInfo::render()
{
    const bool shown = !m_path.isEmpty();
    const ItemInfo::Facts facts = m_facts.value_or(ItemInfo::Facts());
    const bool known = m_facts.has_value();

    QString kind, size;
    if (known && !facts.readable) {
        kind = L("文件");
    } else if (known) {
        kind = FileLister::kindOf(m_path, facts.isDir);
        if (facts.isDir)
            size = m_folderTotal ? sizeStr(*m_folderTotal) : L("计算中…");
        else
            size = sizeStr(facts.size);
    }
    const QString name = m_path == u"/" ? m_path : QFileInfo(m_path).fileName();
    m_name->setText(shown ? name : QString());
    m_values.value(QStringLiteral("种类"))->setText(orDash(kind));
    m_values.value(QStringLiteral("大小"))->setText(orDash(size));
    m_values.value(QStringLiteral("创建"))->setText(orDash(facts.created.isValid() ? dateStr(facts.created) : QString()));
    m_values.value(QStringLiteral("修改"))->setText(orDash(facts.modified.isValid() ? dateStr(facts.modified) : QString()));
    m_values.value(QStringLiteral("权限"))->setText(
        orDash(facts.permissions ? ItemInfo::permissionText(*facts.permissions) : QString()));
    m_values.value(QStringLiteral("位置"))->setText(orDash(locationOf(m_path)));
    for (TagCircle *circle : std::as_const(m_circles)) {
        circle->setChecked(facts.tags.contains(circle->tag()));
        circle->setEnabled(shown);
    }
}
