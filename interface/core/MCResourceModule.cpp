#include "interface/core/MCResourceModule.h"

#include "platform/core/Resources.h"
#include "platform/core/Trace.h"
#include "platform/ui/resource/ImageResources.h"
#include "platform/ui/resource/ResourceLibrary.h"

#include <QAction>
#include <QMenu>
#include <QPixmap>

#include <memory>

namespace {

std::unique_ptr<plat::ui::ResourceLibrary>& loadedLibrary()
{
    static std::unique_ptr<plat::ui::ResourceLibrary> library;
    return library;
}

QString itemText(const QAction* action)
{
    QString text = action->text();
    if (!action->shortcut().isEmpty())
        text += '\t' + action->shortcut().toString(QKeySequence::NativeText);
    return text;
}

}  // namespace

std::optional<std::string> SetResourceModule(const char* name)
{
    auto library = std::make_unique<plat::ui::ResourceLibrary>();
    if (!library->load(name ? name : "")) {
        plat::trace("SetResourceModule() -- LoadLibrary FAILED (%s)", library->error().c_str());
        return std::nullopt;
    }
    std::string previous = library->previousModule();
    loadedLibrary() = std::move(library);
    return previous;
}

void ResetResourceModule()
{
    loadedLibrary().reset();
}

int MCGetMenuIndex(const QMenu* menu, const std::string& text)
{
    if (!menu)
        return -1;
    const QString wanted = QString::fromStdString(text);
    const QList<QAction*> actions = menu->actions();
    for (int i = 0; i < actions.size(); ++i) {
        if (itemText(actions[i]) == wanted)
            return i;
    }
    return -1;
}

int MCGetMenuIndex(const QMenu* menu, uint32_t id)
{
    return MCGetMenuIndex(menu, plat::Resources::string(id));
}

uint32_t MCGetEventIconId(int elementType)
{
    switch (elementType) {
    case 0: return 11820;
    case 1: return 11821;
    case 3:
    case 4: return 11822;
    case 14: return 11824;
    case 17: return 11825;
    case 18: return 11826;
    case 21: return 11827;
    case 29: return 11828;
    case 16:
    case 32: return 11829;
    case 33: return 11830;
    case 37: return 11831;
    case 44: return 11832;
    case 45: return 11833;
    case 49: return 11834;
    case 51: return 11835;
    case 55: return 11836;
    case 56: return 11837;
    case 57: return 11838;
    case 59: return 11839;
    default: return 11823;
    }
}

QIcon MCGetEventIcon(int elementType, int)
{
    QIcon icon;
    for (const int scale : {1, 2}) {
        if (const auto image = plat::ui::ImageResources::find(MCGetEventIconId(elementType), scale))
            icon.addPixmap(QPixmap::fromImage(*image));
    }
    return icon;
}
