#include "OnboardingSheetBody.h"

#include "DisplayHelpers.h"
#include "Localization.h"
#include "OnboardingProgressBar.h"
#include "ProminentButton.h"
#include "TrustPill.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace {

constexpr int sheetWidth = 520;
constexpr int sheetMinHeight = 300;
constexpr int cardRadius = 10;
constexpr int dotSize = 18;

const std::array<OnboardingStep, 3> steps{OnboardingStep::permission, OnboardingStep::brain,
                                          OnboardingStep::firstWin};

QString stepLabel(OnboardingStep step)
{
    switch (step) {
    case OnboardingStep::permission: return L("读得到文件");
    case OnboardingStep::brain: return L("准备本地大脑");
    case OnboardingStep::firstWin: return L("试一试");
    }
    return {};
}

QString stepTitle(OnboardingStep step)
{
    switch (step) {
    case OnboardingStep::permission: return L("先让 Marovel 能读到你的文件");
    case OnboardingStep::brain: return L("准备本地大脑（约 2 GB，一次性）");
    case OnboardingStep::firstWin: return L("拖几个文件试试，或先看示例");
    }
    return {};
}

QString stepSubtitle(OnboardingStep step)
{
    switch (step) {
    case OnboardingStep::permission: return L("Marovel 在你的电脑上本地读文件内容来起名，不上传任何文件。");
    case OnboardingStep::brain:
        return L("命名靠一个跑在你电脑上的本地模型，下载一次就够，之后完全离线。下载期间可以继续下一步，好了会提醒你。");
    case OnboardingStep::firstWin: return L("Marovel 只改名、永不删除，每一步都可撤销。");
    }
    return {};
}

QColor withAlpha(QColor colour, double alpha)
{
    colour.setAlphaF(float(alpha));
    return colour;
}

QLabel *label(Kit::TextRole role, QWidget *parent, bool wrap = true)
{
    QLabel *text = Kit::plainLabel({}, parent);
    Kit::setTextRole(text, role);
    text->setWordWrap(wrap);
    return text;
}

QHBoxLayout *row(int spacing)
{
    auto *layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QPushButton *smallButton(const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(name);
    button->setFont(Kit::font(Kit::TextRole::callout));
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return button;
}

// A row inside a card, or a page of the brain card.
QWidget *page(const QString &name, QWidget *parent)
{
    auto *widget = new QWidget(parent);
    widget->setObjectName(name);
    return widget;
}

} // namespace

// One step of the step bar: its dot (a check when done, else its number) and its label, on
// a cobalt capsule while it is the current step.
class OnboardingSheetBody::StepPill : public QWidget
{
public:
    StepPill(OnboardingStep step, QWidget *parent) : QWidget(parent), m_step(step)
    {
        setObjectName(QStringLiteral("stepPill%1").arg(int(step)));
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    void set(const QString &text, bool current, bool done)
    {
        m_text = text;
        m_current = current;
        m_done = done;
        setProperty("current", current);
        setProperty("done", done);
        setAccessibleName(text);
        updateGeometry();
        update();
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(labelFont());
        return {8 + dotSize + 5 + metrics.horizontalAdvance(m_text) + 8, std::max(dotSize, metrics.height()) + 10};
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        const QPalette &pal = palette();
        if (m_current) {
            p.setBrush(withAlpha(Kit::mvCobalt(), 0.12));
            const qreal r = height() / 2.0;
            p.drawRoundedRect(QRectF(rect()), r, r);
        }

        const QRectF dot(8, (height() - dotSize) / 2.0, dotSize, dotSize);
        const QColor secondary = Kit::textColor(Kit::Level::secondary, pal);
        QColor fill = withAlpha(secondary, 0.28);
        if (m_done)
            fill = Kit::tint(Kit::Tint::green, pal);
        else if (m_current)
            fill = Kit::mvCobalt();
        p.setBrush(fill);
        p.drawEllipse(dot);
        if (m_done) {
            QPainterPath check;
            check.moveTo(dot.left() + 5.2, dot.center().y() + 0.3);
            check.lineTo(dot.left() + 7.9, dot.center().y() + 3.0);
            check.lineTo(dot.right() - 4.8, dot.center().y() - 3.2);
            p.setPen(QPen(Qt::white, 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(check);
        } else {
            QFont number = font();
            number.setPixelSize(11);
            number.setBold(true);
            p.setFont(number);
            p.setPen(m_current ? QColor(Qt::white) : secondary);
            p.drawText(dot, Qt::AlignCenter, QString::number(int(m_step)));
        }

        p.setFont(labelFont());
        p.setPen(m_current ? Kit::textColor(Kit::Level::primary, pal) : secondary);
        const QRectF text(dot.right() + 5, 0, width() - dot.right() - 5 - 8, height());
        p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, m_text);
    }

private:
    QFont labelFont() const
    {
        QFont font = Kit::font(Kit::TextRole::caption, this->font());
        font.setWeight(m_current ? QFont::DemiBold : QFont::Normal);
        return font;
    }

    OnboardingStep m_step;
    QString m_text;
    bool m_current = false;
    bool m_done = false;
};

OnboardingSheetBody::OnboardingSheetBody(QWidget *parent)
    : QWidget(parent),
      m_close(Kit::iconButton(QStringLiteral("xmark"), this)),
      m_heading(label(Kit::TextRole::headline, this)),
      m_subtitle(label(Kit::TextRole::callout, this)),
      m_primary(new ProminentButton(this)),
      m_secondary(Kit::plainButton(this))
{
    setObjectName(QStringLiteral("onboardingSheetBody"));
    setFixedWidth(sheetWidth);
    setMinimumHeight(sheetMinHeight);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    m_close->setObjectName(QStringLiteral("onboardingClose"));
    Kit::setTextLevel(m_close, Kit::Level::secondary);
    m_heading->setObjectName(QStringLiteral("onboardingHeading"));
    QFont title3 = Kit::font(Kit::TextRole::headline);
    title3.setPointSizeF(title3.pointSizeF() + 3);
    m_heading->setFont(title3);
    m_subtitle->setObjectName(QStringLiteral("onboardingSubtitle"));
    Kit::setTextLevel(m_subtitle, Kit::Level::secondary);
    m_primary->setObjectName(QStringLiteral("onboardingPrimary"));
    m_primary->setLarge(true);
    m_primary->setDefault(true);
    m_secondary->setObjectName(QStringLiteral("onboardingSecondary"));
    Kit::setTextLevel(m_secondary, Kit::Level::secondary);

    auto *content = new QWidget(this);
    content->setObjectName(QStringLiteral("onboardingContent"));
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(22, 22, 22, 22);
    column->setSpacing(14);
    column->addWidget(m_heading);
    column->addWidget(m_subtitle);
    column->addWidget(makeFdaCard());
    column->addWidget(makeBrainCard());
    column->addWidget(makeFirstWinCard());
    column->addStretch(1);
    QHBoxLayout *buttons = row(12);
    buttons->addWidget(m_primary, 0, Qt::AlignVCenter);
    buttons->addWidget(m_secondary, 0, Qt::AlignVCenter);
    buttons->addStretch(1);
    column->addLayout(buttons);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(makeHeader());
    outer->addWidget(Kit::divider(Qt::Horizontal, this));
    outer->addWidget(content, 1);

    // The controls call the action of the step shown when they are pressed.
    connect(m_close, &QToolButton::clicked, this, [this] { m_actions.finish(); });
    connect(m_primary, &QPushButton::clicked, this, [this] {
        if (m_state.step == OnboardingStep::firstWin)
            m_actions.runSample();
        else
            m_actions.advance();
    });
    connect(m_secondary, &QToolButton::clicked, this, [this] {
        if (m_state.step == OnboardingStep::firstWin)
            m_actions.finish();
        else
            m_actions.skip();
    });
    connect(m_retry, &QPushButton::clicked, this, [this] { m_actions.retryBrain(); });
    connect(m_startSetup, &QPushButton::clicked, this, [this] { m_actions.retryBrain(); });

    Kit::retranslate(this, [this] { apply(); });
}

QWidget *OnboardingSheetBody::makeHeader()
{
    auto *header = new QWidget(this);
    header->setObjectName(QStringLiteral("onboardingHeader"));
    auto *layout = new QHBoxLayout(header);
    layout->setContentsMargins(18, 12, 18, 12);
    layout->setSpacing(10);
    QHBoxLayout *bar = row(4);
    for (OnboardingStep step : steps) {
        if (step != OnboardingStep::permission) {
            auto *chevron = new Kit::SymbolView(QStringLiteral("chevron.right"),
                                                QFontMetrics(Kit::font(Kit::TextRole::caption2)).height(), header);
            chevron->setLevel(Kit::Level::tertiary);
            bar->addWidget(chevron, 0, Qt::AlignVCenter);
        }
        auto *pill = new StepPill(step, header);
        m_pills << pill;
        bar->addWidget(pill, 0, Qt::AlignVCenter);
    }
    layout->addLayout(bar);
    layout->addStretch(1);
    layout->addWidget(m_close, 0, Qt::AlignVCenter);
    return header;
}

QWidget *OnboardingSheetBody::makeFdaCard()
{
    m_fdaCard = new Kit::Card(this);
    m_fdaCard->setObjectName(QStringLiteral("fdaCard"));
    m_fdaCard->setRadius(cardRadius);
    m_fdaCard->setTint(Kit::Tint::green, 0.09);
    m_fdaText = label(Kit::TextRole::callout, m_fdaCard);
    m_fdaText->setObjectName(QStringLiteral("fdaText"));
    auto *mark = new Kit::SymbolView(QStringLiteral("checkmark.circle.fill"), 16, m_fdaCard);
    mark->setTint(Kit::Tint::green);
    auto *layout = new QHBoxLayout(m_fdaCard);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(mark);
    layout->addWidget(m_fdaText, 1);
    return m_fdaCard;
}

QWidget *OnboardingSheetBody::makeBrainCard()
{
    m_brainCard = new Kit::Card(this);
    m_brainCard->setObjectName(QStringLiteral("brainCard"));
    m_brainCard->setRadius(cardRadius);

    // Downloading: percentage and source, the bar, the megabytes.
    m_downloading = page(QStringLiteral("brainDownloading"), m_brainCard);
    auto *arrow = new Kit::SymbolView(QStringLiteral("arrow.down.circle.fill"), 16, m_downloading);
    arrow->setTint(Kit::Tint::cobalt);
    m_percent = label(Kit::TextRole::callout, m_downloading, false);
    m_percent->setObjectName(QStringLiteral("brainPercent"));
    QFont medium = m_percent->font();
    medium.setWeight(QFont::Medium);
    m_percent->setFont(medium);
    m_source = label(Kit::TextRole::caption, m_downloading, false);
    m_source->setObjectName(QStringLiteral("brainSource"));
    Kit::setTextLevel(m_source, Kit::Level::secondary);
    m_progress = new OnboardingProgressBar(m_downloading);
    m_progress->setObjectName(QStringLiteral("brainProgress"));
    m_mb = label(Kit::TextRole::caption, m_downloading);
    m_mb->setObjectName(QStringLiteral("brainMB"));
    Kit::setTextLevel(m_mb, Kit::Level::secondary);
    QHBoxLayout *top = row(7);
    top->addWidget(arrow);
    top->addWidget(m_percent);
    top->addStretch(1);
    top->addWidget(m_source);
    auto *downloading = new QVBoxLayout(m_downloading);
    downloading->setContentsMargins(0, 0, 0, 0);
    downloading->setSpacing(7);
    downloading->addLayout(top);
    downloading->addWidget(m_progress);
    downloading->addWidget(m_mb);

    // Verifying: a small spinner and the text.
    m_verifying = page(QStringLiteral("brainVerifying"), m_brainCard);
    m_verifyingText = label(Kit::TextRole::callout, m_verifying);
    auto *verifying = new QHBoxLayout(m_verifying);
    verifying->setContentsMargins(0, 0, 0, 0);
    verifying->setSpacing(8);
    verifying->addWidget(new Kit::Spinner(14, m_verifying));
    verifying->addWidget(m_verifyingText, 1);

    // Failed: the reason in orange, then retry and its note.
    m_failed = page(QStringLiteral("brainFailed"), m_brainCard);
    auto *warning = new Kit::SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 16, m_failed);
    warning->setTint(Kit::Tint::orange);
    m_failedText = label(Kit::TextRole::callout, m_failed);
    m_failedText->setObjectName(QStringLiteral("brainFailedText"));
    Kit::setForeground(m_failedText, Kit::Tint::orange);
    m_retry = smallButton(QStringLiteral("brainRetry"), m_failed);
    m_retryNote = label(Kit::TextRole::caption, m_failed);
    Kit::setTextLevel(m_retryNote, Kit::Level::secondary);
    QHBoxLayout *reason = row(7);
    reason->addWidget(warning, 0, Qt::AlignTop);
    reason->addWidget(m_failedText, 1);
    QHBoxLayout *retry = row(10);
    retry->addWidget(m_retry);
    retry->addWidget(m_retryNote, 1);
    auto *failed = new QVBoxLayout(m_failed);
    failed->setContentsMargins(0, 0, 0, 0);
    failed->setSpacing(8);
    failed->addLayout(reason);
    failed->addLayout(retry);

    // Ready.
    m_ready = page(QStringLiteral("brainReady"), m_brainCard);
    auto *check = new Kit::SymbolView(QStringLiteral("checkmark.circle.fill"), 16, m_ready);
    check->setTint(Kit::Tint::green);
    m_readyText = label(Kit::TextRole::callout, m_ready);
    auto *ready = new QHBoxLayout(m_ready);
    ready->setContentsMargins(0, 0, 0, 0);
    ready->setSpacing(8);
    ready->addWidget(check);
    ready->addWidget(m_readyText, 1);

    // Nothing started yet: the button that starts it.
    m_needsSetup = page(QStringLiteral("brainNeedsSetup"), m_brainCard);
    auto *brain = new Kit::SymbolView(QStringLiteral("brain"), 16, m_needsSetup);
    brain->setLevel(Kit::Level::secondary);
    m_needsSetupText = label(Kit::TextRole::callout, m_needsSetup);
    Kit::setTextLevel(m_needsSetupText, Kit::Level::secondary);
    m_startSetup = smallButton(QStringLiteral("brainStart"), m_needsSetup);
    auto *needsSetup = new QHBoxLayout(m_needsSetup);
    needsSetup->setContentsMargins(0, 0, 0, 0);
    needsSetup->setSpacing(8);
    needsSetup->addWidget(brain);
    needsSetup->addWidget(m_needsSetupText, 1);
    needsSetup->addWidget(m_startSetup);

    auto *layout = new QVBoxLayout(m_brainCard);
    layout->setContentsMargins(12, 12, 12, 12);
    for (QWidget *state : {m_downloading, m_verifying, m_failed, m_ready, m_needsSetup})
        layout->addWidget(state);
    return m_brainCard;
}

QWidget *OnboardingSheetBody::makeFirstWinCard()
{
    m_firstWinCard = new Kit::Card(this);
    m_firstWinCard->setObjectName(QStringLiteral("firstWinCard"));
    m_firstWinCard->setRadius(cardRadius);
    m_firstWinCard->setTint(Kit::Tint::gray, 0.07);
    QHBoxLayout *pills = row(8);
    for (const QString &symbol : {QStringLiteral("lock.fill"), QStringLiteral("trash.slash.fill"),
                                  QStringLiteral("arrow.uturn.backward")}) {
        QLabel *text = Kit::plainLabel({});
        m_trustTexts << text;
        pills->addWidget(new TrustPill(symbol, text, m_firstWinCard));
    }
    pills->addStretch(1);
    m_firstWinNote = label(Kit::TextRole::caption, m_firstWinCard);
    m_firstWinNote->setObjectName(QStringLiteral("firstWinNote"));
    Kit::setTextLevel(m_firstWinNote, Kit::Level::secondary);
    auto *layout = new QVBoxLayout(m_firstWinCard);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(9);
    layout->addLayout(pills);
    layout->addWidget(m_firstWinNote);
    return m_firstWinCard;
}

void OnboardingSheetBody::setState(const OnboardingState &state)
{
    if (state == m_state)
        return;
    m_state = state;
    apply();
}

void OnboardingSheetBody::apply()
{
    const OnboardingStep step = m_state.step;
    for (qsizetype i = 0; i < m_pills.size(); ++i) {
        const OnboardingStep pillStep = steps.at(size_t(i));
        m_pills.at(i)->set(stepLabel(pillStep), pillStep == step, isStepDone(m_state, pillStep));
    }
    m_close->setToolTip(L("关闭（我自己来）"));
    Kit::name(m_close, L("关闭（我自己来）"));
    m_heading->setText(L("第 %lld 步 · %@", qint64(step), stepTitle(step)));
    m_subtitle->setText(stepSubtitle(step));

    m_fdaCard->setVisible(step == OnboardingStep::permission);
    m_fdaText->setText(L("Marovel 能读到你的账户可以打开的文件，无需另外授权"));
    m_brainCard->setVisible(step == OnboardingStep::brain);
    applyBrain();
    m_firstWinCard->setVisible(step == OnboardingStep::firstWin);
    const QStringList trust{L("纯本地不上云"), L("永不删除"), L("每步可撤销")};
    for (qsizetype i = 0; i < m_trustTexts.size(); ++i)
        m_trustTexts.at(i)->setText(trust.at(i));
    m_firstWinNote->setText(L("你也可以先拖文件进来，现在给出的是基础命名。"));
    m_firstWinNote->setVisible(!m_state.brain.isReady());

    if (step == OnboardingStep::firstWin) {
        const bool ready = m_state.brain.isReady();
        m_primary->setText(ready ? L("用示例文件看看效果") : L("大脑就绪后再看示例"));
        m_primary->setEnabled(ready);
        m_secondary->setText(L("我自己来"));
    } else {
        m_primary->setText(L("继续"));
        m_primary->setEnabled(true);
        m_secondary->setText(L("暂时跳过"));
    }
    Kit::name(m_primary, m_primary->text());
    Kit::name(m_secondary, m_secondary->text());
}

void OnboardingSheetBody::applyBrain()
{
    using Kind = OnboardingBrain::Kind;
    const OnboardingBrain &brain = m_state.brain;
    m_downloading->setVisible(brain.kind == Kind::downloading);
    m_verifying->setVisible(brain.kind == Kind::verifying);
    m_failed->setVisible(brain.kind == Kind::failed);
    m_ready->setVisible(brain.kind == Kind::ready);
    m_needsSetup->setVisible(brain.kind == Kind::needsSetup);

    switch (brain.kind) {
    case Kind::downloading: m_brainCard->setTint(Kit::Tint::cobalt, 0.09); break;
    case Kind::verifying: m_brainCard->setTint(Kit::Tint::cobalt, 0.09); break;
    case Kind::failed: m_brainCard->setTint(Kit::Tint::orange, 0.1); break;
    case Kind::ready: m_brainCard->setTint(Kit::Tint::green, 0.09); break;
    case Kind::needsSetup: m_brainCard->setTint(Kit::Tint::gray, 0.08); break;
    }

    m_percent->setText(L("正在下载 %lld%%", percentOf(brain.frac)));
    m_source->setText(L("来源 %@", brain.source));
    m_progress->setValue(brain.frac);
    m_mb->setText(L("已下 %lld MB · 下载在后台继续，可以直接进下一步", brain.mb));
    m_verifyingText->setText(L("下载完成，正在校验完整性…"));
    m_failedText->setText(L("下载没能完成：%@", brain.reason));
    m_retry->setText(L("重试"));
    Kit::name(m_retry, m_retry->text());
    m_retryNote->setText(L("重试会换一个下载源；也可以先跳过，之后在顶部横幅继续。"));
    m_readyText->setText(L("本地大脑已就绪，之后全程离线，文件内容绝不上传"));
    m_needsSetupText->setText(L("还没开始准备"));
    m_startSetup->setText(L("开始准备"));
    Kit::name(m_startSetup, m_startSetup->text());
}
