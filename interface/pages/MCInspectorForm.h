#pragma once

#include "interface/InterfaceExport.h"

#include "platform/core/Object.h"

#include <QWidget>

class ECBase;
class MCCommandList;
class MCEventList;
class MCInspectorPage;
class MCOpusDoc;

namespace plat::ui {
class DataExchange;
}

// One of the alternative layouts of an inspector page (a tempo shown as a word, a number or a
// change): a panel that its page shows in the page's form area. The page owns it; it shares
// the page's document and elements and marks the page changed when the user edits it.
class INTERFACE_API MCInspectorForm : public QWidget, public plat::Object {
    PLAT_DECLARE_DYNCREATE(MCInspectorForm)
public:
    static constexpr int kHelpIdBase = 0x20000;

    MCInspectorForm();
    MCInspectorForm(MCInspectorPage* page, int templateId);

    // Places the form, hidden, in area of page with the item id id.
    virtual bool Create(QWidget* area, MCInspectorPage* page, int id);
    virtual MCInspectorPage* GetPage() const { return m_pPage; }
    virtual void SetPage(MCInspectorPage* page) { m_pPage = page; }
    virtual MCOpusDoc* GetDocument() const { return m_pDocument; }
    virtual void SetDocument(MCOpusDoc* document) { m_pDocument = document; }
    virtual MCEventList* GetEventList() const { return m_pEventList; }
    virtual void SetEventList(MCEventList* events) { m_pEventList = events; }
    // Takes the page's document and elements; derived forms fill their controls after it.
    virtual bool InitForm();
    virtual void UpdateForm();
    virtual void UpdateEvent(ECBase* event, MCCommandList& commands);
    // The form's changes are the page's.
    virtual bool IsModified() const;
    virtual void SetModifiedFlag(bool modified);
    virtual void OnUpdate(long hint, plat::Object* object);
    // Help shows the status text of the help id (the template's when none is given); 0 when
    // there is no id.
    virtual int OnCommandHelp(int helpId);
    virtual int OnHelpHitTest() const { return m_nTemplateID + kHelpIdBase; }
    // Moves values between the form's controls and its members; the page calls it with its
    // own exchange.
    virtual void DoDataExchange(plat::ui::DataExchange& exchange);
    bool UpdateData(bool save);

    int GetTemplateID() const { return m_nTemplateID; }

protected:
    bool event(QEvent* event) override;

private:
    int m_nTemplateID = 0;
    MCInspectorPage* m_pPage = nullptr;
    MCOpusDoc* m_pDocument = nullptr;
    MCEventList* m_pEventList = nullptr;
};
