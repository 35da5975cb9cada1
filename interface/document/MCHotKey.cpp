#include "interface/document/MCHotKey.h"

#include "interface/document/MCOpusDoc.h"
#include "interface/document/SCHotKey.h"
#include "notabase/performance/ECPerformance.h"

#include <mutex>
#include <utility>

namespace {

std::mutex s_lock;
MCHotKey::CommandSender& sender()
{
    static MCHotKey::CommandSender s;
    return s;
}

}  // namespace

MCHotKey::CommandSender MCHotKey::SetCommandSender(CommandSender newSender)
{
    std::lock_guard<std::mutex> lock(s_lock);
    return std::exchange(sender(), std::move(newSender));
}

void MCHotKey::SetInput(unsigned key, int control, int alt, int shift)
{
    m_input = key;
    setFlag(1, control != 0);
    setFlag(2, alt != 0);
    setFlag(3, shift != 0);
}

int MCHotKey::CompareInput(unsigned key, int control, int alt, int shift) const
{
    return key == m_input && GetControl() == (control != 0) && GetAlt() == (alt != 0) && GetShift() == (shift != 0)
        ? 1 : 0;
}

void MCHotKey::Apply()
{
    if (m_output) {
        CommandSender send;
        {
            std::lock_guard<std::mutex> lock(s_lock);
            send = sender();
        }
        if (send)
            send(static_cast<uint16_t>(m_output & 0xFFFF));
        return;
    }
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    if (!doc || !doc->GetBaseEvent())
        return;
    auto* state = new SCHotKey(kHotKeyState);
    state->SetHotKey(this);
    state->SetSynchronous(1);
    state->Apply(doc->GetBaseEvent());
}
