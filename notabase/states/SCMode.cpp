#include "notabase/states/SCMode.h"

#include <atomic>

namespace {

std::atomic<int> s_mode{SCMode::kFirstMode};
std::atomic<int> s_eventType{-1};
SCMode::EventFunc s_eventFunc = nullptr;
void* s_eventData = nullptr;

}  // namespace

SCMode::SCMode() : SCMode(0) {}

SCMode::SCMode(int code) : SCBase(code)
{
    SetSynchronous(1);
}

void SCMode::DoState()
{
    const int code = GetCode();
    if (code >= kFirstMode && code <= kLastMode)
        SetMode(code);
    SCBase::DoState();
}

int SCMode::GetMode()
{
    return s_mode.load();
}

void SCMode::SetMode(int mode)
{
    s_mode.store(mode);
}

int SCMode::GetEventType()
{
    return s_eventType.load();
}

void SCMode::SetEventType(int type)
{
    s_eventType.store(type);
}

void SCMode::SetEventFunc(EventFunc function, void* userData)
{
    s_eventFunc = function;
    s_eventData = userData;
}

ECBase* SCMode::GetEvent()
{
    if (GetMode() != kEventMode || !s_eventFunc)
        return nullptr;
    return s_eventFunc(s_eventData);
}
