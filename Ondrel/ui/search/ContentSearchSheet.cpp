#include "ContentSearchSheet.h"

#include "BrowserState.h"
#include "ContentSearchDialog.h"
#include "window/SheetPresenter.h"

namespace ContentSearchSheet {

void add(SheetPresenter &sheets, Actions actions)
{
    const SheetPresenter::Flag flag{&BrowserState::showContentSearch, &BrowserState::setShowContentSearch,
                                    &BrowserState::showContentSearchChanged};
    sheets.add(flag, [actions = std::move(actions)](QWidget *parent) -> QDialog * {
        auto *dialog = new ContentSearchDialog(ContentIndexSource::shared(), parent);
        dialog->setLocator(actions.locate);
        dialog->setSettingsOpener(actions.openSettings);
        return dialog;
    });
}

} // namespace ContentSearchSheet
