#pragma once

#include "rack/plinthart/tests/RackTestEnvironment.h"
#include "platform/ui/tests/RecordingClass.h"

#include "rack/plinthui/ButtonState.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/plinthui/ControlModule.h"
#include "rack/plinthui/PlinthUi.h"

#include "rack/plinthart/GraphicCache.h"

#include "platform/media/ManualTimerService.h"
#include "platform/ui/timer/UiTimers.h"
#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/rackwindow/WindowStyle.h"

#include <gtest/gtest.h>

namespace rack::test {

// plinthui started on a manual clock, with an owner window that records what the controls
// post to it.
class ControlTest : public testing::Test {
protected:
    void SetUp() override
    {
        ctl_Initialize();
        grp_Initialize();
        m_owner = plat::ui::Window::create(m_ownerClass.name(), "owner", plat::ui::style::kVisible,
                                           QRect(100, 100, 640, 200), nullptr);
        ASSERT_NE(m_owner, nullptr);
    }

    void TearDown() override
    {
        m_owner->destroy();
        plat::ui::test::deliverPosted();
        ctl_Terminate();
        grp_Terminate();
    }

    plat::ui::Window* button(const char* descriptor, uintptr_t id, const QRect& rect, const char* caption = nullptr)
    {
        return plat::ui::Window::create(kPrettyButtonClass, descriptor, plat::ui::style::kChild, rect, m_owner, id,
                                        caption);
    }

    plat::ui::Window* strip(uintptr_t id, const QRect& rect)
    {
        return plat::ui::Window::create(kCompositeButtonClass, "%a", plat::ui::style::kChild, rect, m_owner, id);
    }

    static ButtonState& stateOf(plat::ui::Window* window)
    {
        return window->property<PrettyButtonState>(kButtonProperty)->button;
    }

    static intptr_t at(int x, int y) { return plat::ui::makeLParam(x, y); }

    // What the controls posted to the owner since the last call: (command id, code) pairs.
    std::vector<std::pair<uintptr_t, intptr_t>> notifications()
    {
        plat::ui::test::deliverPosted();
        std::vector<std::pair<uintptr_t, intptr_t>> result;
        for (const plat::ui::test::Received& r : m_ownerClass.of(plat::ui::kCommandMessage))
            result.emplace_back(r.wParam, r.lParam);
        m_ownerClass.received.clear();
        return result;
    }

    void advance(uint32_t ms) { m_timers.advance(ms); }

    plat::media::ManualTimerService m_timers{0};
    plat::ui::UiTimers::ScopedService m_installed{m_timers};
    plat::ui::test::RecordingClass m_ownerClass{"RackTestOwner"};
    plat::ui::Window* m_owner = nullptr;
};

using Notes = std::vector<std::pair<uintptr_t, intptr_t>>;

}  // namespace rack::test
