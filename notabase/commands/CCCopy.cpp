#include "notabase/commands/CCCopy.h"

#include "notabase/clipboard/MCOleDataIn.h"
#include "notabase/clipboard/MCOleDataOut.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECBase.h"
#include "platform/core/Trace.h"

#include <exception>

PLAT_IMPLEMENT_DYNCREATE(CCCopy, CCBase)

CCCopy::CCCopy()
{
    SetCanUndo(0);
}

CCCopy::~CCCopy() = default;

int CCCopy::GetCommandId()
{
    return CommandIds::CCCopy;
}

void CCCopy::SetDocument(void* document)
{
    m_document = document;
    if (!m_dataOut)
        m_dataOut = std::make_unique<MCOleDataOut>();
    m_dataOut->SetDocument(document);
}

void* CCCopy::GetDocument() const
{
    return m_dataOut ? m_dataOut->GetDocument() : nullptr;
}

void CCCopy::CopyEvent(ECBase* element)
{
    m_events.AddEvent(element, 0);
}

void CCCopy::CopyEvents(MCEventList* elements)
{
    if (elements)
        m_events.AddEvents(*elements, 0);
}

void CCCopy::CopyInfo(int key, const void* data, int size)
{
    m_info.SetInfo(key, data, size);
}

const void* CCCopy::GetInfo(int key) const
{
    const void* data = nullptr;
    int size = 0;
    return m_info.GetInfo(key, data, size) ? data : nullptr;
}

int CCCopy::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    m_events.CollapseToAncestors();
    m_events.Sort();
    m_info.SetEventType(m_events.GetEventType());
    if (!m_dataOut)
        m_dataOut = std::make_unique<MCOleDataOut>(m_document);
    return 1;
}

int CCCopy::CacheData()
{
    return m_dataOut && m_dataOut->CacheInfo(&m_info) && m_dataOut->CacheEvents(m_events) ? 1 : 0;
}

int CCCopy::Process()
{
    if (!CCBase::Process() || !CacheData())
        return 0;
    m_dataOut->SetClipboard();
    m_dataOut.reset();
    return 1;
}

int CCCopy::DoCopyEvents(MCEventList& dest, MCEventList& source, void* document)
{
    if (source.IsEmpty())
        return 0;
    MCOleDataOut out(document);
    if (!out.CacheEvents(source))
        return 0;
    MCOleDataIn in(document);
    in.Attach(out.GetData());
    try {
        MCEventList& copies = in.GetEvents();
        dest.RemoveAll();
        dest.AddEvents(copies, 0);
    } catch (const std::exception& error) {
        plat::trace("copy: the elements written cannot be read back: %s", error.what());
        return 0;
    }
    return dest.IsEmpty() ? 0 : 1;
}

ECBase* CCCopy::DoCopyEvent(ECBase* element, void* document)
{
    if (!element)
        return nullptr;
    MCEventList source;
    source.AddEvent(element, 0);
    MCEventList copies;
    if (!DoCopyEvents(copies, source, document))
        return nullptr;
    ECBase* copy = copies.GetHead();
    // Kept past the lists, which would delete it with their last reference.
    copy->Ref();
    copies.RemoveAll();
    copy->Unref(0);
    return copy;
}
