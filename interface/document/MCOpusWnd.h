#pragma once

#include "interface/InterfaceExport.h"

#include "platform/core/CallbackList.h"
#include "platform/core/Object.h"
#include "platform/core/WindowPlacement.h"
#include "platform/ui/command/CommandTarget.h"

#include <QEvent>
#include <QMdiSubWindow>

class ECPerformance;
class MCOpusDoc;
class MCOpusTemplate;
class QMainWindow;
class QMenu;
namespace plat::ui {
class CommandActions;
}

// The child frame of one view of a document. It knows its document, the document's
// performance and the view plug-in it shows; activating it makes its document the active
// document; it shows "document - view" as its title and puts its view's menu in the main
// window's menu bar; closing it only hides it while another frame of the same document is
// visible, and closes the document when it was the last.
//
// The view is a widget made from the view plug-in's class; on the frame's first activation
// every widget in it gets InitialUpdateEvent(), after which the view finds its document
// through FrameOf().
class INTERFACE_API MCOpusWnd : public QMdiSubWindow, public plat::Object, public plat::ui::CommandTarget {
    PLAT_DECLARE_DYNCREATE(MCOpusWnd)
public:
    // The event a view gets once, when its frame is first activated.
    static QEvent::Type InitialUpdateEvent();
    // The frame that shows view (or any widget inside it), or null.
    static MCOpusWnd* FrameOf(const QWidget* view);

    MCOpusWnd();
    ~MCOpusWnd() override;

    // The one action per command id that the plug-in menus' items are (the view's menu, the
    // views in "&Tools", the preference categories, the palette pages); the program installs
    // it. Without it no plug-in menu is built. Returns the one it replaces.
    static plat::ui::CommandActions* SetCommandActions(plat::ui::CommandActions* actions);

    virtual unsigned GetViewID() const { return m_viewId; }
    virtual void SetViewID(unsigned viewId) { m_viewId = viewId; }
    virtual MCOpusDoc* GetDocument() const { return m_document; }
    virtual void SetDocument(MCOpusDoc* doc);
    virtual ECPerformance* GetPerformance() const { return m_performance; }
    virtual void SetPerformance(ECPerformance* performance) { m_performance = performance; }
    virtual void InitFrame(MCOpusDoc* doc, unsigned viewId);
    // The placement saved under section; without one, the whole work area.
    virtual plat::WindowPlacement GetDefaultPlacement(const char* section);
    // A derived frame keeps its settings here; the first activation loads them and the
    // frame's end saves them.
    virtual void LoadPrefs() {}
    virtual void SavePrefs() {}
    virtual void ReplaceViewMenu();
    // Help on the view's context; 0 without a view plug-in.
    virtual int OnCommandHelp(unsigned helpId);
    virtual unsigned OnHelpHitTest() const;

    // The first call sends the initial update to the views and loads the settings.
    void ActivateFrame();
    void OnUpdateFrameTitle();
    // Activating: the plug-in menus are built (once for the menu bar), then the view's menu
    // goes in.
    void OnUpdateFrameMenu(bool activate);
    void OnMDIActivate(bool activate);
    // Saves the settings when the frame was ever activated; the template calls it before the
    // frame goes.
    void OnDestroy();

    // The frame's link of the command route, after its view and its document: the frame class
    // of a view plug-in may handle commands of its own; this one handles none.
    bool onCommand(uint32_t) override { return false; }
    bool onUpdateCommand(uint32_t, plat::ui::CommandState&) override { return false; }

    void SetTemplate(MCOpusTemplate* owner) { m_template = owner; }
    MCOpusTemplate* GetTemplate() const { return m_template; }
    bool IsInitialised() const { return (m_flags & 1) != 0; }
    bool IsActivated() const { return (m_flags & 2) != 0; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QMainWindow* mainWindow() const;
    // Once, at the first showing: the views get InitialUpdateEvent() and the settings load.
    void InitialUpdate();
    // The views in "&Tools", the preference categories in "&Tools" > "&Preferences" and the
    // palette pages in "&Music" > "&Palette", each once for the menu bar.
    void BuildPluginMenus();

    uint8_t m_flags = 0;
    unsigned m_viewId = 0;
    MCOpusDoc* m_document = nullptr;
    ECPerformance* m_performance = nullptr;
    MCOpusTemplate* m_template = nullptr;
    // The title follows the document's name.
    plat::Connection m_nameConnection;
};
