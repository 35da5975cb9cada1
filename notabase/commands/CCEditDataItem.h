#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCEditItem.h"

#include <memory>

class DCBase;

// One data component a CCEditData changes: the component, a copy the caller changes (the new
// state) and, once recorded, the old state; the element is the component's owner. The view
// code tells the views which of their data the change concerns.
class NOTABASE_API CCEditDataItem : public CCEditItem {
public:
    // View code -1, nothing to edit.
    CCEditDataItem();
    CCEditDataItem(DCBase* data, int viewCode);
    ~CCEditDataItem() override;

    int GetViewCode() const { return m_viewCode; }
    DCBase* GetData() const { return m_data; }
    DCBase* GetNewData() const { return m_newData.get(); }
    // Null until the old state was recorded.
    DCBase* GetOldData() const { return m_oldData.get(); }

    void Process(int recordOld) override;

    // A new component of the same class holding the component's state; null when the class
    // cannot be made by name.
    static std::unique_ptr<DCBase> NewCopyOf(DCBase* data);

private:
    int m_viewCode = -1;
    DCBase* m_data = nullptr;
    std::unique_ptr<DCBase> m_newData;
    std::unique_ptr<DCBase> m_oldData;
};
