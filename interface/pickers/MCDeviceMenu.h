#pragma once

#include "interface/core/InterfaceModule.h"
#include "interface/pickers/MCDeviceLabels.h"

#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/resource/MenuResources.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

// The device pickers' context menu: the label format chosen, or -1.
namespace mcdevice {

inline constexpr int kDeviceRole = 0x0100 + 2;

inline int chooseFormat(int current, const QPoint& at)
{
    const auto resource = plat::ui::MenuResources::load(InterfaceModule::kName, MCDeviceLabels::kMenuId);
    if (!resource || resource->entries.empty())
        return -1;
    QMenu menu;
    QActionGroup group(&menu);
    for (const plat::ui::MenuEntry& entry : resource->entries.front().entries) {
        QAction* action = menu.addAction(QString::fromStdString(entry.text));
        action->setData(int(entry.id));
        action->setCheckable(true);
        group.addAction(action);
        action->setChecked((entry.id == MCDeviceLabels::kShowInstruments && current == MCDeviceLabels::instrumentNames) ||
                           (entry.id == MCDeviceLabels::kShowDevices && current == MCDeviceLabels::deviceNames));
    }
    QAction* picked = plat::ui::ModalHooks::popupMenu(menu, at);
    if (!picked)
        return -1;
    return picked->data().toInt() == MCDeviceLabels::kShowInstruments ? MCDeviceLabels::instrumentNames
                                                                       : MCDeviceLabels::deviceNames;
}

}  // namespace mcdevice
