// The preview window on each kind of file of the fixture folder: a picture, a PDF page, a
// text, a folder's facts, a file that is gone, and the second of three items.
#include "Shots.h"
#include "preview/QuickLook.h"

namespace Shots {

namespace {

Shot look(const QString &state, const QStringList &names, int index = 0)
{
    return {QStringLiteral("preview"), state,
            [names, index](const Context &context) -> QWidget * {
                QStringList paths;
                for (const QString &name : names)
                    paths << context.fixture + u'/' + name;
                auto *window = new QuickLook;
                window->open(paths);
                window->showItem(index);
                return window;
            },
            [](QWidget *widget) { return !static_cast<QuickLook *>(widget)->isLoading(); },
            {760, 560}};
}

} // namespace

QList<Shot> previewShots()
{
    return {
        look(QStringLiteral("quicklook-image"), {QStringLiteral("photo.png")}),
        look(QStringLiteral("quicklook-pdf"), {QStringLiteral("Invoice 2024-03-01.pdf")}),
        look(QStringLiteral("quicklook-text"), {QStringLiteral("会议纪要.txt")}),
        look(QStringLiteral("quicklook-markup-name"), {QStringLiteral("<b>x.pdf")}),
        look(QStringLiteral("quicklook-folder"), {QStringLiteral("a & b")}),
        look(QStringLiteral("quicklook-missing"), {QStringLiteral("gone.txt")}),
        look(QStringLiteral("quicklook-second-of-three"),
             {QStringLiteral("notes.txt"), QStringLiteral("photo.png"), QStringLiteral("a & b.txt")}, 1),
    };
}

} // namespace Shots
