#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "notabase/values/MCTime.h"

#include <functional>

class ECTempo;
class MCCommandList;
class MCEventList;
class MCOpusDoc;
class MCSpinEdit;
class MCTimeEdit;
class QBoxLayout;
class QWidget;

// What the constant tempo and the pause forms share: the time of the selected tempo marks and
// one number of theirs (the tempo, the pause), each shown when the marks agree on it and
// written back on Apply only when the user changed it.
class INSPECTOR_API PCsqTempoMarkFields {
public:
    enum Field : int { fieldTime, fieldValue, fieldCount };

    // The form's time edit, with the item id id, in a row of its own under layout.
    static MCTimeEdit* AddTimeRow(QWidget* form, QBoxLayout* layout, int id, const char* caption);

    // Loads the fields from the tempo marks of events, valueOf giving a mark's number; a field
    // the marks differ in leaves its edit indeterminate.
    void Update(MCEventList* events, MCTimeEdit* timeEdit, MCSpinEdit* valueEdit,
                const std::function<int(ECTempo&)>& valueOf);
    // Adds the commands that give tempo the changed fields: the time, read in the document's
    // score time, and the number, which setValue writes into the mark's copy.
    void UpdateEvent(MCOpusDoc* document, ECTempo* tempo, MCCommandList& commands,
                     const std::function<void(ECTempo& copy, int value)>& setValue) const;

    int GetState(Field field) const { return m_fields.Get(field); }
    void MarkChanged(Field field) { m_fields.Set(field, MCFieldStates::stateChanged); }
    MCTime& Time() { return m_time; }
    int& Value() { return m_nValue; }

private:
    MCFieldStates m_fields;
    MCTime m_time = MCTime::TimeZero();
    int m_nValue = 0;
};
