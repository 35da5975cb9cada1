#pragma once

#include "platform/ui/PlatUiExport.h"

#include <QRgb>

#include <vector>

namespace plat::ui {

// A logical colour palette. Every display here is true colour, so a palette maps nothing:
// it keeps its entries for whoever asks, and realising it changes no entry.
class PLATUI_API Palette {
public:
    explicit Palette(std::vector<QRgb> entries) : m_entries(std::move(entries)) {}

    size_t entryCount() const { return m_entries.size(); }
    const std::vector<QRgb>& entries() const { return m_entries; }

    // The number of entries that realising the palette changed in the display's palette.
    int realize() const { return 0; }

private:
    std::vector<QRgb> m_entries;
};

}  // namespace plat::ui
