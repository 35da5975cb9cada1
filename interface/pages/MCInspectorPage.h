#pragma once

#include "interface/InterfaceExport.h"

#include "platform/core/Object.h"
#include "platform/ui/dialog/PropertyPage.h"

#include <QSize>

class ECBase;
class MCCommandList;
class MCEventList;
class MCOpusDoc;

// The base of the inspector's pages. A page shows the selected elements of one document; the
// inspector hands it the document and the selection, and the registry (not the sheet) owns the
// page, so it outlives its place in the sheet. The page fills its controls on the first data
// exchange after it is placed (InitPage), refreshes them on UpdatePage, and turns the values
// the user changed into one undo step on Apply (UpdateEvents). Cancel restores the shown
// values from the elements and never closes anything.
class INTERFACE_API MCInspectorPage : public plat::ui::PropertyPage, public plat::Object {
    PLAT_DECLARE_SERIAL(MCInspectorPage)
public:
    // Sent to the sheet when the page becomes the current one; the page comes with it.
    static constexpr int kPageActivated = 0x3120;
    static constexpr int kHelpIdBase = 0x20000;

    explicit MCInspectorPage(QWidget* parent = nullptr);

    virtual MCOpusDoc* GetDocument() const { return m_pDocument; }
    virtual void SetDocument(MCOpusDoc* document) { m_pDocument = document; }
    virtual MCEventList* GetEventList() const { return m_pEventList; }
    virtual void SetEventList(MCEventList* events) { m_pEventList = events; }
    // The page's size at the font in use, computed once.
    virtual QSize GetSize();
    // Fills the controls for the current elements; true when done.
    virtual bool InitPage() { return true; }
    // Refreshes the controls from the elements.
    virtual void UpdatePage() {}
    // One undo step titled "Edit <type>" holding the commands UpdateEvent makes for each
    // element (part of the step already open, if any); nothing at all when no element needs
    // a command.
    virtual void UpdateEvents();
    // Appends the commands that give event the values shown on the page.
    virtual void UpdateEvent(ECBase* event, MCCommandList& commands);
    virtual bool IsModified() const { return m_bModified; }
    // Marks the page changed or unchanged, which enables or disables the sheet's Apply.
    virtual void SetModifiedFlag(bool modified);
    // A state the inspector heard: its code and the state.
    virtual void OnUpdate(long hint, plat::Object* object);
    // There is no help beyond the status texts: the request is taken and nothing shown.
    virtual int OnCommandHelp(int helpId);
    virtual int OnHelpHitTest() const { return kHelpIdBase; }
    // Cancel: the values come back from the elements and the page stays.
    virtual bool OnQueryCancel();
    // The sheet let the page go: it initialises again when it is next placed.
    virtual void PostNcDestroy() { m_bInitialized = false; }

    // Clears the modified flag and loads the controls (initialising them first).
    virtual bool OnInitDialog();
    bool onSetActive() override;
    bool onApply() override;

    void ShowChildWindows();
    void EnableChildWindows(bool enable);
    bool IsInitialized() const { return m_bInitialized; }

protected:
    // Runs InitPage before the first exchange, then the derived page's DoDataExchange.
    void doDataExchange(plat::ui::DataExchange& exchange) final;
    virtual void DoDataExchange(plat::ui::DataExchange& exchange);
    bool event(QEvent* event) override;

private:
    bool m_bInitialized = false;
    bool m_bModified = false;
    QSize m_sizeDialog{0, 0};
    MCOpusDoc* m_pDocument = nullptr;
    MCEventList* m_pEventList = nullptr;
};
