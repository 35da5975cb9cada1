#pragma once

#include "notabase/NotabaseExport.h"

#include <cstdint>
#include <memory>

namespace plat {
class ClipData;
class DragSource;
}  // namespace plat

class MCEventList;
class MCOleDataInfo;

// Puts copied music into data for the clipboard or a drag: the side information under "Tarnwick
// Music Info" and the elements under "Tarnwick Music Data", each in its stored form, written
// for a document (the archive's context while writing).
class NOTABASE_API MCOleDataOut {
public:
    MCOleDataOut();
    explicit MCOleDataOut(void* document);
    ~MCOleDataOut();
    MCOleDataOut(const MCOleDataOut&) = delete;
    MCOleDataOut& operator=(const MCOleDataOut&) = delete;

    void* GetDocument() const { return m_document; }
    void SetDocument(void* document) { m_document = document; }

    // 0 for null or when writing fails; else the info's record is offered, 1.
    int CacheInfo(MCOleDataInfo* info);
    // 0 for an empty list or when writing fails; else the list's record is offered, 1.
    int CacheEvents(MCEventList& events);

    // The data offered so far.
    std::shared_ptr<const plat::ClipData> GetData() const;
    // Hands the data offered so far to the clipboard, which keeps it; this object starts
    // over with nothing offered.
    void SetClipboard();
    // Offers the data to a drag with the allowed effects; the effect that happened.
    uint32_t DoDragDrop(uint32_t allowedEffects, plat::DragSource& source);

private:
    void* m_document = nullptr;
    std::shared_ptr<plat::ClipData> m_data;
};
