#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/MCEventList.h"

#include <memory>

namespace plat {
class ClipData;
}

class MCOleDataInfo;

// Reads copied music back from data of the clipboard or a drop: the side information of
// "Tarnwick Music Info" and the elements of "Tarnwick Music Data", each decoded once, for a
// document (the archive's context while reading). The data may come from any program: its
// records are read as untrusted input, and only elements are made from the element list.
class NOTABASE_API MCOleDataIn {
public:
    MCOleDataIn();
    explicit MCOleDataIn(void* document);
    ~MCOleDataIn();
    MCOleDataIn(const MCOleDataIn&) = delete;
    MCOleDataIn& operator=(const MCOleDataIn&) = delete;

    void* GetDocument() const { return m_document; }
    void SetDocument(void* document) { m_document = document; }

    // Reads from what the clipboard holds now.
    void AttachClipboard();
    // Reads from the given data (a drop's, say).
    void Attach(std::shared_ptr<const plat::ClipData> data);
    // Lets go of the data and hands it back; what was decoded stays.
    std::shared_ptr<const plat::ClipData> Detach();
    const plat::ClipData* GetData() const { return m_data.get(); }

    // The side information, decoded on the first call; null when the data does not offer
    // it. A record that cannot be read throws plat::ArchiveError.
    MCOleDataInfo* GetInfo();
    // The elements, decoded while the list is empty; empty when the data does not offer
    // them. A record that cannot be read leaves the list empty and throws plat::ArchiveError.
    MCEventList& GetEvents();

    // With validOnly, 0 unless HasValidData; then whether the data offers the format.
    int HasFormat(unsigned short format, int validOnly);
    // Whether an embedded item could be made from the data. The program embeds nothing, so
    // no data is valid in that sense.
    int HasValidData() const { return 0; }

private:
    void* m_document = nullptr;
    std::shared_ptr<const plat::ClipData> m_data;
    std::unique_ptr<MCOleDataInfo> m_info;
    MCEventList m_events{10};
};
