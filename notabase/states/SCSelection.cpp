#include "notabase/states/SCSelection.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECMirror.h"
#include "notabase/states/MCFocusWnd.h"

#include <atomic>

namespace {

std::atomic<unsigned long> s_color{255};

}  // namespace

SCSelection::SCSelection(int code)
    : SCBase(code), m_request(10), m_newSelection(10), m_added(10), m_dropped(10)
{
    SetSynchronous(1);
}

SCSelection::SCSelection(int code, ECBase* element) : SCSelection(code)
{
    AddToSelection(element);
}

SCSelection::SCSelection(int code, MCEventList* elements) : SCSelection(code)
{
    AddToSelection(elements);
}

SCSelection::~SCSelection()
{
    ClearSelection();
    if (m_focusWnd && m_focusWnd->IsWindow())
        m_focusWnd->SetFocus();
}

ECBase* SCSelection::GetEvent(ECBase* element)
{
    element = standsFor(element);
    if (!element || m_request.Find(element))
        return nullptr;
    return element;
}

ECBase* SCSelection::standsFor(ECBase* element)
{
    if (auto* mirror = plat::dynamicDowncast<ECMirror>(element))
        return mirror->GetMirrorEvent();
    return element;
}

void SCSelection::AddToSelection(ECBase* element)
{
    if (ECBase* e = GetEvent(element))
        m_request.AddEvent(e, 1);
}

void SCSelection::AddToSelection(MCEventList* elements)
{
    if (!elements)
        return;
    for (ECBase* element : *elements)
        AddToSelection(element);
}

void SCSelection::RemoveFromSelection(ECBase* element)
{
    if (ECBase* e = standsFor(element))
        m_request.RemoveEvent(e);
}

void SCSelection::RemoveFromSelection(MCEventList* elements)
{
    if (!elements)
        return;
    for (ECBase* element : *elements)
        RemoveFromSelection(element);
}

void SCSelection::ClearSelection()
{
    m_request.RemoveAll();
    m_newSelection.RemoveAll();
    m_added.RemoveAll();
    m_dropped.RemoveAll();
}

int SCSelection::UpdateSelection(MCEventList& current)
{
    const int code = GetCode();
    if (code < kClear || code > kToggle)
        return 0;

    m_newSelection.RemoveAll();
    m_added.RemoveAll();
    m_dropped.RemoveAll();
    if (code == kReplace) {
        m_newSelection.AddEvents(m_request);
    } else if (code != kClear) {
        m_newSelection.AddEvents(current);
        for (ECBase* element : m_request) {
            const bool present = m_newSelection.Find(element) != nullptr;
            if (code == kAdd) {
                if (!present)
                    m_newSelection.AddTail(element);
            } else if (code == kRemove) {
                m_newSelection.RemoveEvent(element);
            } else if (element->IsSelected()) {
                m_newSelection.RemoveEvent(element);
            } else {
                m_newSelection.AddTail(element);
            }
        }
    }

    for (ECBase* element : m_newSelection) {
        if (!current.Find(element))
            m_added.AddEvent(element, 1);
    }
    for (ECBase* element : current) {
        if (!m_newSelection.Find(element))
            m_dropped.AddEvent(element, 1);
    }
    for (ECBase* element : m_added)
        element->SetSelected(1);
    for (ECBase* element : m_dropped)
        element->SetSelected(0);

    current.RemoveAll();
    current.AddEvents(m_newSelection);
    m_flags |= kUpdated;
    return (!m_added.IsEmpty() || !m_dropped.IsEmpty()) ? 1 : 0;
}

MCEventList* SCSelection::GetEvents(int which)
{
    if (which == kRequest)
        return &m_request;
    if (!(m_flags & kUpdated))
        return nullptr;
    switch (which) {
    case kNewSelection:
        return &m_newSelection;
    case kAdded:
        return &m_added;
    case kDropped:
        return &m_dropped;
    default:
        return nullptr;
    }
}

void SCSelection::SetDynamic(int on)
{
    m_flags = on ? (m_flags | kDynamic) : (m_flags & static_cast<uint8_t>(~kDynamic));
}

unsigned long SCSelection::GetColor()
{
    return s_color.load();
}

void SCSelection::SetColor(unsigned long color)
{
    s_color.store(color);
}
