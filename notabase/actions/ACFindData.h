#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACFindEvents.h"

// Collects the visited elements that hold a data component of one data type and match the
// type filter.
class NOTABASE_API ACFindData : public ACFindEvents {
public:
    explicit ACFindData(int dataType = 0) : ACFindEvents(1), m_dataType(dataType) {}

    int DoAction(ECBase* element) override;
    int GetViewCode() const { return m_dataType; }
    void SetViewCode(int dataType) { m_dataType = dataType; }

private:
    int m_dataType;
};
