#include "app/core/CommandButton.h"

#include "app/core/AppCommandTable.h"
#include "interface/controls/MCButton2.h"
#include "interface/views/MCDialogBar.h"
#include "platform/ui/dialog/ItemId.h"

#include <QHBoxLayout>
#include <QToolBar>

namespace {

// The key colours of the toolbars' pictures: face, highlight and shadow.
constexpr plat::ui::ColorRef kFace = 0xFF00FF;
constexpr plat::ui::ColorRef kHighlight = 0x0000FF;
constexpr plat::ui::ColorRef kShadow = 0xFF0000;

}  // namespace

MCButton2* MakeCommandButton(QWidget* parent, uint32_t command)
{
    const AppCommandTable::Command* row = AppCommandTable::Find(command);
    const char* prefix = row && row->picture ? row->picture : "";
    auto* button = new MCButton2(parent);
    button->setObjectName(prefix);
    plat::ui::setItemId(button, int(command));
    button->LoadBitmaps(prefix, kFace, kHighlight, kShadow);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (row) {
        button->setAccessibleName(QString::fromUtf8(row->text).remove('&'));
        // The prompt shows in the status bar, the tip beside the pointer.
        const QString prompt = QString::fromUtf8(row->prompt);
        button->setStatusTip(prompt.section('\n', 0, 0));
        button->setToolTip(prompt.section('\n', 1));
    }
    return button;
}

MCDialogBar* MakeBarPanel(QToolBar* bar, int templateId)
{
    auto* panel = new MCDialogBar;
    panel->Create(bar, templateId);
    return panel;
}

void FitBarPanel(MCDialogBar* panel)
{
    if (QLayout* layout = panel->layout()) {
        layout->activate();
        panel->SetDefaultSize(layout->sizeHint());
    }
}

QBoxLayout* MakeToolBarRow(QWidget* panel)
{
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(5, 5, 7, 5);
    row->setSpacing(0);
    row->setSizeConstraint(QLayout::SetFixedSize);
    return row;
}
