#pragma once

#include "interface/InterfaceExport.h"

#include "interface/pages/MCInspectorPage.h"

#include <QRect>

#include <memory>
#include <vector>

class MCInspectorForm;

// An inspector page that shows one of several forms in its form area: the control of the
// placeholder id when the page has one, else the whole page. The page owns its forms; the
// derived page chooses the form it works with (m_nCurForm), to which updates and the commands
// of an apply go.
class INTERFACE_API MCInspectorFormPage : public MCInspectorPage {
    PLAT_DECLARE_DYNCREATE(MCInspectorFormPage)
public:
    // Forms get the item ids kFirstFormId + their index.
    static constexpr int kFirstFormId = 1000;

    explicit MCInspectorFormPage(QWidget* parent = nullptr);
    ~MCInspectorFormPage() override;

    // Null outside 0..count-1 or for an empty slot.
    virtual MCInspectorForm* GetForm(int index) const;
    // Stores form at index (the page owns it), growing the array.
    virtual void SetForm(int index, std::unique_ptr<MCInspectorForm> form);
    // Hides the form shown before and shows form index; -1 shows none.
    virtual void DisplayForm(int index);
    // Places every stored form that is not placed yet, hidden, and initialises it.
    virtual void CreateForms();
    // Takes the forms out of the page (they are kept) and shows none.
    virtual void DestroyForms();
    virtual void RemoveAllForms();

    bool InitPage() override;
    void SetDocument(MCOpusDoc* document) override;
    void SetEventList(MCEventList* events) override;
    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void PostNcDestroy() override;
    int OnCommandHelp(int helpId) override;
    int OnHelpHitTest() const override;

    int GetShownForm() const { return m_nShownForm; }
    QWidget* GetFormArea() const;

protected:
    void DoDataExchange(plat::ui::DataExchange& exchange) override;

    int m_nPlaceholderID = 0;
    QRect m_rectForm;
    int m_nShownForm = -1;
    int m_nCurForm = -1;

private:
    std::vector<std::unique_ptr<MCInspectorForm>> m_arrayForms;
};
