#pragma once

#include "rack/plinthui/PlinthUiExport.h"

#include "platform/ui/draw/Bitmap.h"

#include <array>
#include <memory>

namespace rack {

// The face bitmaps of the buttons, by id (0 to 511), loaded from plinthui's resources on
// first use. Loads are counted; after painting, a count of 256 or more empties the cache,
// so a long session does not keep every face ever shown.
class PLINTHUI_API FaceCache {
public:
    static constexpr int kEntries = 512;
    static constexpr int kFlushCount = 256;

    // The face, null for an id outside the cache or a face that does not load.
    const plat::ui::Bitmap* get(int id);
    // Empties the cache and zeroes the count when the loads since the count was last zeroed
    // reached kFlushCount.
    void flushIfFull();
    // Deletes every face; the loads stay counted.
    void empty();
    // Deletes every face and zeroes the load count.
    void clear();

    int loadCount() const { return m_loads; }
    bool holds(int id) const { return id >= 0 && id < kEntries && m_faces[size_t(id)] != nullptr; }

private:
    std::array<std::unique_ptr<plat::ui::Bitmap>, kEntries> m_faces;
    int m_loads = 0;
};

}  // namespace rack
