#include "rack/plinthui/FaceCache.h"

#include "rack/plinthui/PlinthUiStrings.h"

#include "rack/plinthart/ResourceBitmap.h"

#include "platform/ui/draw/BitmapResources.h"

namespace rack {

const plat::ui::Bitmap* FaceCache::get(int id)
{
    if (id < 0 || id >= kEntries)
        return nullptr;
    std::unique_ptr<plat::ui::Bitmap>& slot = m_faces[size_t(id)];
    if (!slot) {
        slot = LoadResourceBitmap(kPlinthUiModule, plat::ui::BitmapResources::resourceName(uint32_t(id)), nullptr);
        if (slot)
            ++m_loads;
    }
    return slot.get();
}

void FaceCache::flushIfFull()
{
    if (m_loads >= kFlushCount)
        clear();
}

void FaceCache::empty()
{
    for (std::unique_ptr<plat::ui::Bitmap>& face : m_faces)
        face.reset();
}

void FaceCache::clear()
{
    empty();
    m_loads = 0;
}

}  // namespace rack
