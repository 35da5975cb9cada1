#include "notabase/clipboard/MCOleDataIn.h"

#include "notabase/clipboard/MCClipFormat.h"
#include "notabase/clipboard/MCOleDataInfo.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/MCLoadVersion.h"
#include "platform/core/Archive.h"
#include "platform/core/ClipData.h"
#include "platform/core/Clipboard.h"
#include "platform/core/MemoryStream.h"

#include <span>
#include <string>

namespace {

// Reads a record from the bytes of a format into the object. Records on the clipboard are
// always in the newest form, whichever document is active.
void loadRecord(plat::Object& object, const std::vector<uint8_t>& bytes, void* document)
{
    plat::MemoryStream stream{std::span<const uint8_t>(bytes)};
    plat::Archive archive(stream, plat::Archive::Mode::load);
    archive.setContext(document);
    const MCLoadVersion version(archive, ECPerformanceBase::newestVersion);
    archive.loadInto(object);
}

}  // namespace

MCOleDataIn::MCOleDataIn() = default;

MCOleDataIn::MCOleDataIn(void* document) : m_document(document) {}

MCOleDataIn::~MCOleDataIn() = default;

void MCOleDataIn::AttachClipboard()
{
    m_data = plat::Clipboard::current().data();
}

void MCOleDataIn::Attach(std::shared_ptr<const plat::ClipData> data)
{
    m_data = std::move(data);
}

std::shared_ptr<const plat::ClipData> MCOleDataIn::Detach()
{
    return std::move(m_data);
}

MCOleDataInfo* MCOleDataIn::GetInfo()
{
    if (m_info)
        return m_info.get();
    const std::vector<uint8_t>* bytes = m_data ? m_data->data(kMusicInfoFormat) : nullptr;
    if (!bytes)
        return nullptr;
    auto info = std::make_unique<MCOleDataInfo>();
    loadRecord(*info, *bytes, m_document);
    m_info = std::move(info);
    return m_info.get();
}

MCEventList& MCOleDataIn::GetEvents()
{
    if (!m_events.IsEmpty())
        return m_events;
    const std::vector<uint8_t>* bytes = m_data ? m_data->data(kMusicDataFormat) : nullptr;
    if (bytes)
        loadRecord(m_events, *bytes, m_document);
    return m_events;
}

int MCOleDataIn::HasFormat(unsigned short format, int validOnly)
{
    if (validOnly && !HasValidData())
        return 0;
    const std::string name = plat::Clipboard::formatName(format);
    return m_data && !name.empty() && m_data->hasFormat(name) ? 1 : 0;
}
