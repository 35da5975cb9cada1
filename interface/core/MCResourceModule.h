#pragma once

#include "interface/InterfaceExport.h"

#include <QIcon>

#include <cstdint>
#include <optional>
#include <string>

class QMenu;

// Switches the resource module to a library loaded by name: its texts, images and menus are
// the ones looked up until ResetResourceModule. A name with a separator is a path below the
// program's folder (".so" added when it has no dot); a bare name is a module beside the
// program or on the system's search path. Answers the module current before, or nothing when
// the library cannot be loaded (then nothing changed and ResetResourceModule must not be
// called for it). The two are used in pairs around one use, never nested.
INTERFACE_API std::optional<std::string> SetResourceModule(const char* name);
INTERFACE_API void ResetResourceModule();

// The position of the first item of menu whose whole text (the shortcut shown after a tab
// included) equals text, case and all; -1 when there is none or menu is null.
INTERFACE_API int MCGetMenuIndex(const QMenu* menu, const std::string& text);
// As above with the text of the string id of the current module.
INTERFACE_API int MCGetMenuIndex(const QMenu* menu, uint32_t id);

// The icon id of an element type (11823 for the types without their own).
INTERFACE_API uint32_t MCGetEventIconId(int elementType);
// The icon of an element type from the resource module in effect, at device pixel ratios 1
// and 2; a null icon when the module has none.
INTERFACE_API QIcon MCGetEventIcon(int elementType, int ignored = 0);
