#pragma once

#include "interface/InterfaceExport.h"

#include "interface/pickers/MCMessageList.h"

// The system-exclusive messages of a document's performance, by name and time: those from
// time zero on, or, as a prestart list, those placed before time zero.
class INTERFACE_API MCSysExList : public MCMessageList {
public:
    explicit MCSysExList(QWidget* parent = nullptr);

    bool SubclassSysExList(int id, QWidget* parent);
    bool Create(QWidget* parent, int id);
    void Initialize() override;
    void RefreshMessages() override;
    bool IsPrestartList() const { return m_prestart; }
    void SetPrestartList(bool prestart) { m_prestart = prestart; }

private:
    bool m_prestart = false;
};
