#pragma once

// What the program's window tests share: the application object, settings and timers of
// their own, two test views registered in the view registry, and a main frame over a
// document template with the device manager on memory devices.

#include "app/core/AppImages.h"
#include "app/frame/CMainFrame.h"
#include "app/frame/CMainMenus.h"
#include "app/frame/CSplashWnd.h"
#include "interface/document/CPluginView.h"
#include "interface/document/MCHotKey.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusTemplate.h"
#include "interface/document/MCOpusWnd.h"
#include "interface/tests/DocumentTestSupport.h"
#include "notabase/states/MCStateMgr.h"
#include "platform/core/Resources.h"
#include "platform/media/ManualTimerService.h"
#include "platform/ui/command/CommandActions.h"
#include "platform/ui/command/CommandRouter.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/tests/UiTestEnvironment.h"
#include "platform/ui/tests/support/LayoutCheck.h"
#include "platform/ui/tests/support/ScreenshotFolder.h"
#include "platform/ui/timer/UiTimers.h"
#include "wavegate/CWavegate.h"

#include <QMdiArea>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#ifndef QUAVIX_SCREENSHOT_DIR
#define QUAVIX_SCREENSHOT_DIR "screenshots"
#endif

namespace apptest {

// A plain view that counts its initial updates.
class ViewA : public QWidget, public plat::Object {
    PLAT_DECLARE_DYNCREATE(ViewA)
public:
    ViewA() { setMinimumSize(200, 120); setFocusPolicy(Qt::StrongFocus); }
    int updates = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == MCOpusWnd::InitialUpdateEvent()) {
            ++updates;
            return true;
        }
        return QWidget::event(e);
    }
};

class ViewB : public ViewA {
    PLAT_DECLARE_DYNCREATE(ViewB)
};

// Saves what widget shows for a person to look at, and checks the layout of its window.
inline void saveScreenshot(QWidget& widget, const std::string& name)
{
    // The check shows a hidden window first, as the user sees it, and the picture is taken then.
    EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(widget)) << name;
    widget.grab().save(plat::ui::test::ScreenshotFolder::path(QUAVIX_SCREENSHOT_DIR) + "/" + QString::fromStdString(name));
}

// The two views, their strings and the main frame.
class FrameTest : public documenttest::DocumentTest {
protected:
    FrameTest()
        : m_strings("AppTestViews", kStrings), m_timerScope(m_timers),
          m_score(&ViewA::classObject, &MCOpusWnd::classObject, "AppTestViews", 0, 9100, 1),
          m_roll(&ViewB::classObject, &MCOpusWnd::classObject, "AppTestViews", 1, 9101, 2)
    {
        ::setenv("QUAVIX_MEDIA", "memory", 1);
    }

    void SetUp() override
    {
        documenttest::DocumentTest::SetUp();
        SaveIntPreference("Settings\\Tips", "ShowStartUp", 0);
        SaveIntPreference("Settings", "FirstRun", 0);
        SaveIntPreference("Settings\\New", "AutoNew", 0);
        CPluginView::AddPlugin(&m_score);
        CPluginView::AddPlugin(&m_roll);
        m_wavegate = std::make_unique<CWavegate>();
        m_actions = std::make_unique<plat::ui::CommandActions>(m_router);
        m_template = std::make_unique<MCOpusTemplate>(131, nullptr, nullptr);
        QApplication::setWindowIcon(AppImages::ProgramIcon());
        CMainMenus::AddCommands(*m_actions);
        m_frame = std::make_unique<CMainFrame>(*m_actions, *m_template);
        m_router.setTarget(plat::ui::CommandRouter::Link::mainFrame, m_frame.get());
        MCStateMgr::SetMainWindowHandler([this](SCBase* state) { m_frame->OnStateWithoutPerformance(state); });
        MCHotKey::SetCommandSender([this](uint16_t id) { m_router.execute(id); });
        ASSERT_EQ(m_frame->Create(), 1);
        m_frame->EnableMediaDevices(1);
        CMainMenus::Build(*m_frame, *m_actions);
        CSplashWnd::Instance()->Hide();
        m_frame->resize(900, 600);
        m_frame->ActivateFrame();
        m_frame->show();
    }

    void TearDown() override
    {
        MCHotKey::SetCommandSender({});
        MCStateMgr::SetMainWindowHandler({});
        m_router.setTarget(plat::ui::CommandRouter::Link::mainFrame, nullptr);
        m_template.reset();
        m_frame.reset();
        m_actions.reset();
        CSplashWnd::Destroy();
        m_wavegate.reset();
        CPluginView::RemovePlugin(&m_score);
        CPluginView::RemovePlugin(&m_roll);
        plat::ui::test::deliverPosted();
        documenttest::DocumentTest::TearDown();
    }

    // A new document in its default view, shown.
    MCOpusDoc* NewDocument()
    {
        MCOpusDoc* doc = m_template->OpenNewDocument();
        if (doc) {
            for (MCOpusWnd* frame : m_template->GetFrames(doc))
                frame->ActivateFrame();
        }
        return doc;
    }

    static constexpr plat::Resources::Entry kStrings[] = {{9100, "&Score"}, {9101, "&Piano Roll"}};
    plat::Resources::Registration m_strings;
    plat::media::ManualTimerService m_timers{0};
    plat::ui::UiTimers::ScopedService m_timerScope;
    CPluginView m_score;
    CPluginView m_roll;
    std::unique_ptr<CWavegate> m_wavegate;
    plat::ui::CommandRouter m_router;
    std::unique_ptr<plat::ui::CommandActions> m_actions;
    std::unique_ptr<MCOpusTemplate> m_template;
    std::unique_ptr<CMainFrame> m_frame;
};

// The main frame with the document windows' menus made of the program's one action per
// command id.
class CommandFrameTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        m_previousActions = MCOpusWnd::SetCommandActions(m_actions.get());
    }
    void TearDown() override
    {
        MCOpusWnd::SetCommandActions(m_previousActions);
        FrameTest::TearDown();
    }
    plat::ui::CommandActions* m_previousActions = nullptr;
};

}  // namespace apptest
