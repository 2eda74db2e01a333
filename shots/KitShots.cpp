// The kit's gallery: text roles, colours, cards, buttons, every icon, the model status
// chip in each form, and data names as labels show them.
#include "Localization.h"
#include "Shots.h"
#include "kit/Icons.h"
#include "kit/Style.h"
#include "kit/Widgets.h"
#include "window/ModelStatusView.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace Shots {

namespace {

bool english()
{
    return Loc::shared().language() == u"en";
}

// Sample words of the gallery itself (not interface texts), in the language shown.
QString sample(const char *zh, const char *en)
{
    return QString::fromUtf8(english() ? en : zh);
}

QGroupBox *section(const QString &title, QLayout *content, QWidget *parent)
{
    auto *box = new QGroupBox(title, parent);
    box->setLayout(content);
    return box;
}

QWidget *fonts(QWidget *parent)
{
    auto *grid = new QGridLayout;
    const std::pair<const char *, Kit::TextRole> roles[] = {
        {"body", Kit::TextRole::body},       {"headline", Kit::TextRole::headline},
        {"subheadline", Kit::TextRole::subheadline}, {"callout", Kit::TextRole::callout},
        {"caption", Kit::TextRole::caption}, {"caption2", Kit::TextRole::caption2},
    };
    int row = 0;
    for (const auto &[name, role] : roles) {
        auto *label = Kit::plainLabel(QString::fromLatin1(name));
        Kit::setTextLevel(label, Kit::Level::secondary);
        auto *text = Kit::plainLabel(sample("文件内容读取 · 本地起名 2024", "Read content · name locally 2024"));
        Kit::setTextRole(text, role);
        grid->addWidget(label, row, 0);
        grid->addWidget(text, row++, 1);
    }
    return section(sample("字体", "Text roles"), grid, parent);
}

QWidget *colours(QWidget *parent)
{
    auto *grid = new QGridLayout;
    const std::pair<const char *, Kit::Level> levels[] = {
        {"primary", Kit::Level::primary}, {"secondary", Kit::Level::secondary}, {"tertiary", Kit::Level::tertiary}};
    int column = 0;
    for (const auto &[name, level] : levels) {
        auto *label = Kit::plainLabel(QString::fromLatin1(name));
        Kit::setTextLevel(label, level);
        grid->addWidget(label, 0, column++);
    }
    const std::pair<const char *, Kit::Tint> tints[] = {
        {"accent", Kit::Tint::accent}, {"green", Kit::Tint::green},   {"orange", Kit::Tint::orange},
        {"red", Kit::Tint::red},       {"purple", Kit::Tint::purple}, {"yellow", Kit::Tint::yellow},
        {"gray", Kit::Tint::gray}};
    column = 0;
    for (const auto &[name, tint] : tints) {
        auto *chip = new Kit::Chip;
        chip->setDot(tint);
        chip->setLabel(QString::fromLatin1(name));
        grid->addWidget(chip, 1, column);
        auto *card = new Kit::Card;
        card->setTint(tint, 0.12);
        card->setMinimumSize(56, 22);
        auto *text = Kit::plainLabel(QString::fromLatin1(name), card);
        Kit::setForeground(text, tint);
        Kit::setTextRole(text, Kit::TextRole::caption);
        auto *inner = new QVBoxLayout(card);
        inner->setContentsMargins(6, 2, 6, 2);
        inner->addWidget(text);
        grid->addWidget(card, 2, column++);
    }
    return section(sample("颜色", "Colours"), grid, parent);
}

QWidget *cards(QWidget *parent)
{
    auto *row = new QHBoxLayout;
    const auto card = [&](std::optional<Kit::Tint> tint, const QString &title, const QString &text) {
        auto *c = new Kit::Card;
        if (tint)
            c->setTint(*tint, 0.1);
        auto *layout = new QVBoxLayout(c);
        layout->setContentsMargins(Kit::Space::wide, Kit::Space::normal, Kit::Space::wide, Kit::Space::normal);
        auto *headline = Kit::plainLabel(title);
        Kit::setTextRole(headline, Kit::TextRole::headline);
        auto *body = Kit::plainLabel(text);
        Kit::setTextRole(body, Kit::TextRole::caption);
        Kit::setTextLevel(body, Kit::Level::secondary);
        layout->addWidget(headline);
        layout->addWidget(body);
        row->addWidget(c);
    };
    card(std::nullopt, sample("卡片", "Card"), sample("底色随调色板", "Base colour of the palette"));
    card(Kit::Tint::purple, sample("紫色卡片", "Purple card"), sample("横幅的底色", "As the model banner"));
    card(Kit::Tint::orange, sample("橙色卡片", "Orange card"), sample("失败与提醒", "Failures and notices"));
    return section(sample("卡片", "Cards"), row, parent);
}

QWidget *buttons(QWidget *parent)
{
    auto *row = new QHBoxLayout;
    auto *icon = Kit::iconButton(QStringLiteral("arrow.clockwise"));
    Kit::name(icon, sample("刷新", "Refresh"), true);
    auto *disabled = Kit::iconButton(QStringLiteral("chevron.left"));
    disabled->setEnabled(false);
    Kit::name(disabled, sample("后退", "Back"), true);
    auto *plain = Kit::plainButton();
    plain->setText(Kit::escapeMnemonic(QStringLiteral("a & b")));
    auto *push = new QPushButton(sample("按钮", "Button"));
    auto *spinner = new Kit::Spinner(12);
    for (QWidget *w : {static_cast<QWidget *>(icon), static_cast<QWidget *>(disabled),
                       static_cast<QWidget *>(plain), static_cast<QWidget *>(push), static_cast<QWidget *>(spinner)})
        row->addWidget(w);
    row->addStretch();
    return section(sample("按钮", "Buttons"), row, parent);
}

QWidget *icons(QWidget *parent)
{
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(Kit::Space::wide);
    const QStringList symbols = Kit::knownSymbols();
    constexpr int columns = 5;
    for (int i = 0; i < symbols.size(); ++i) {
        auto *cell = new QHBoxLayout;
        cell->setSpacing(Kit::Space::small);
        cell->addWidget(new Kit::SymbolView(symbols[i], 16));
        auto *name = Kit::plainLabel(symbols[i]);
        Kit::setTextRole(name, Kit::TextRole::caption);
        cell->addWidget(name, 1);
        grid->addLayout(cell, i / columns, i % columns);
    }
    return section(sample("图标", "Icons"), grid, parent);
}

QWidget *chips(QWidget *parent)
{
    using Kind = LocalBrain::Status::Kind;
    const LocalBrain::Status forms[] = {
        {Kind::ready, 0, false, {}},
        {Kind::preparing, 0.425, false, {}},
        {Kind::preparing, 0, true, {}},
        {Kind::failed, 0, false, QStringLiteral("x")},
        {Kind::notReady, 0, false, {}},
    };
    auto *row = new QHBoxLayout;
    row->setSpacing(Kit::Space::wide * 2);
    for (const LocalBrain::Status &form : forms) {
        auto *view = new ModelStatusView;
        view->apply(form);
        row->addWidget(view);
    }
    row->addStretch();
    return section(sample("模型状态", "Model status"), row, parent);
}

QWidget *dataNames(const Context &context, QWidget *parent)
{
    auto *grid = new QGridLayout;
    int i = 0;
    for (const QString &name : context.dataTexts) {
        auto *label = new Kit::ElidingLabel(name);
        label->setElideMode(Qt::ElideMiddle);
        label->setMaximumWidth(280);
        grid->addWidget(label, i / 4, i % 4);
        ++i;
    }
    return section(sample("文件名（原样显示，中间省略）", "File names (shown literally, elided in the middle)"),
                   grid, parent);
}

QWidget *gallery(const Context &context)
{
    auto *page = new QWidget;
    page->setAutoFillBackground(true);
    page->setFocusPolicy(Qt::StrongFocus); // no control shows a focus ring in the picture
    page->setFocus();
    auto *left = new QVBoxLayout;
    left->addWidget(fonts(page));
    left->addWidget(colours(page));
    left->addWidget(cards(page));
    auto *right = new QVBoxLayout;
    right->addWidget(buttons(page));
    right->addWidget(chips(page));
    right->addWidget(icons(page));
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addLayout(right, 3);
    auto *all = new QVBoxLayout(page);
    all->addLayout(columns);
    all->addWidget(dataNames(context, page));
    all->addStretch();
    return page;
}

} // namespace

QList<Shot> kitShots()
{
    return {{QStringLiteral("kit"), QStringLiteral("gallery"), gallery}};
}

} // namespace Shots
