#pragma once

#include "inspector/InspectorExport.h"

#include "interface/dialogs/MCAuditionWnd.h"

#include <QPointer>

class PCsqStaffInstrument;

// The instrument page's audition keyboard, a window beside the inspector. OK and Cancel tell
// the page, which hides it; the window keeps its place in "Settings\Audition".
class INSPECTOR_API CAuditionWnd : public MCAuditionWnd {
public:
    explicit CAuditionWnd(QWidget* parent = nullptr);
    ~CAuditionWnd() override;

    void Attach(PCsqStaffInstrument* page);
    // Forgets the page and keeps the window's place.
    void Detach();
    PCsqStaffInstrument* GetPage() const { return m_page; }

    void accept() override;
    void reject() override;

    // Where the window goes when it has no place of its own: above the inspector's stored
    // place, else centred on the main window, held inside the main window. A stored place is
    // used as it is.
    QPoint InitialPosition() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SavePosition() const;

    QPointer<PCsqStaffInstrument> m_page;
    bool m_placed = false;
};
