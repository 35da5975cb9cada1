#include "notabase/clipboard/MCOleDataOut.h"

#include "notabase/clipboard/MCClipFormat.h"
#include "notabase/clipboard/MCOleDataInfo.h"
#include "notabase/model/MCEventList.h"
#include "platform/core/Archive.h"
#include "platform/core/ClipData.h"
#include "platform/core/Clipboard.h"
#include "platform/core/DragDrop.h"
#include "platform/core/MemoryStream.h"
#include "platform/core/Trace.h"

#include <exception>
#include <utility>

namespace {

// The record of the object in its stored form; empty when writing it fails (nothing is
// offered then).
std::vector<uint8_t> storeRecord(plat::Object& object, void* document)
{
    try {
        plat::MemoryStream stream;
        plat::Archive archive(stream, plat::Archive::Mode::store);
        archive.setContext(document);
        object.Serialize(archive);
        archive.flush();
        return stream.takeData();
    } catch (const std::exception& error) {
        plat::trace("clipboard: cannot write %s: %s", object.runtimeClass()->name, error.what());
        return {};
    }
}

}  // namespace

MCOleDataOut::MCOleDataOut() : m_data(std::make_shared<plat::ClipData>()) {}

MCOleDataOut::MCOleDataOut(void* document) : m_document(document), m_data(std::make_shared<plat::ClipData>()) {}

MCOleDataOut::~MCOleDataOut() = default;

int MCOleDataOut::CacheInfo(MCOleDataInfo* info)
{
    if (!info)
        return 0;
    std::vector<uint8_t> bytes = storeRecord(*info, m_document);
    if (bytes.empty())
        return 0;
    m_data->setData(kMusicInfoFormat, std::move(bytes));
    return 1;
}

int MCOleDataOut::CacheEvents(MCEventList& events)
{
    if (events.IsEmpty())
        return 0;
    std::vector<uint8_t> bytes = storeRecord(events, m_document);
    if (bytes.empty())
        return 0;
    m_data->setData(kMusicDataFormat, std::move(bytes));
    return 1;
}

std::shared_ptr<const plat::ClipData> MCOleDataOut::GetData() const
{
    return m_data;
}

void MCOleDataOut::SetClipboard()
{
    plat::Clipboard::current().setData(std::exchange(m_data, std::make_shared<plat::ClipData>()));
}

uint32_t MCOleDataOut::DoDragDrop(uint32_t allowedEffects, plat::DragSource& source)
{
    return plat::DragDrop::current().doDragDrop(m_data, allowedEffects, source);
}
