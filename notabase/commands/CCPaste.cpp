#include "notabase/commands/CCPaste.h"

#include "notabase/clipboard/MCClipFormat.h"
#include "notabase/clipboard/MCOleDataIn.h"
#include "notabase/clipboard/MCOleDataInfo.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/ECBase.h"
#include "platform/core/Trace.h"

#include <exception>

PLAT_IMPLEMENT_DYNCREATE(CCPaste, CCBase)

CCPaste::CCPaste()
{
    SetCanUndo(0);
}

CCPaste::~CCPaste()
{
    // Pasted elements hold one another through their links and would never be freed: what
    // no piece and no command took over by now is taken apart.
    for (ECBase* element : m_events) {
        if (element->GetCommandHolds() == 0 && MCCommandHold::IsOutsidePieces(element))
            MCCommandHold::TakeApart(element);
    }
}

int CCPaste::GetCommandId()
{
    return CommandIds::CCPaste;
}

void CCPaste::SetDocument(void* document)
{
    m_document = document;
    if (!m_dataIn)
        m_dataIn = std::make_unique<MCOleDataIn>();
    m_dataIn->SetDocument(document);
}

void* CCPaste::GetDocument() const
{
    return m_dataIn ? m_dataIn->GetDocument() : nullptr;
}

int CCPaste::HasFormat(unsigned short format, int validOnly)
{
    if (!m_dataIn)
        return 0;
    Attach();
    const int has = m_dataIn->HasFormat(format, validOnly);
    Detach();
    return has;
}

void CCPaste::Attach()
{
    if (m_dataIn)
        m_dataIn->AttachClipboard();
}

void CCPaste::Detach()
{
    if (m_dataIn)
        m_dataIn->Detach();
}

const void* CCPaste::GetInfo(int key) const
{
    const void* data = nullptr;
    int size = 0;
    return m_info && m_info->GetInfo(key, data, size) ? data : nullptr;
}

int CCPaste::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    if (!m_dataIn)
        m_dataIn = std::make_unique<MCOleDataIn>(m_document);
    return 1;
}

int CCPaste::Process()
{
    if (!CCBase::Process())
        return 0;
    Attach();
    const unsigned short info = MCClipFormat(kMusicInfoFormat);
    const unsigned short data = MCClipFormat(kMusicDataFormat);
    // What any program put on the clipboard is read as untrusted: a record that cannot be
    // read gives nothing, and the piece is not touched either way.
    if (m_format == 0 || m_format == info) {
        try {
            m_info = m_dataIn->GetInfo();
        } catch (const std::exception& error) {
            plat::trace("paste: the side information cannot be read: %s", error.what());
            m_info = nullptr;
        }
    }
    if (m_format == 0 || m_format == data) {
        m_events.RemoveAll();
        try {
            m_events.AddEvents(m_dataIn->GetEvents(), 0);
        } catch (const std::exception& error) {
            plat::trace("paste: the elements cannot be read: %s", error.what());
        }
    }
    Detach();
    return 1;
}

int CCPaste::ClipboardHasFormat(unsigned short format, int validOnly)
{
    MCOleDataIn in;
    in.AttachClipboard();
    return in.HasFormat(format, validOnly);
}

int CCPaste::ClipboardHasValidData()
{
    MCOleDataIn in;
    in.AttachClipboard();
    return in.HasValidData();
}
