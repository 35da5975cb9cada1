#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorPage.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <QFont>

#include <string>

class MCTimeEdit;
class QLineEdit;
class QPlainTextEdit;

// The page of system-exclusive messages: the name the user gave a message, its time, and its
// bytes as hexadecimal text in a fixed-pitch font. Fields the selected messages share show
// their value, others are left empty; only the fields the user edits are applied.
class INSPECTOR_API PCsqSysEx : public MCInspectorPage, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNCREATE(PCsqSysEx)
public:
    enum : int { IDD = 4480, IDC_NAME = 4481, IDC_TIME = 4482, IDC_DATA = 4483 };
    // A field's state: no value seen, one value shared, changed by the user, values differ.
    enum FieldState : unsigned char {
        stateNone = MCFieldStates::stateNone,
        stateCommon = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };

    explicit PCsqSysEx(QWidget* parent = nullptr);
    ~PCsqSysEx() override;

    bool InitPage() override;
    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void onNotice(int id, int code, QWidget* control) override;

    FieldState GetNameState() const { return FieldState(m_fields.Get(fieldName)); }
    FieldState GetTimeState() const { return FieldState(m_fields.Get(fieldTime)); }
    FieldState GetDataState() const { return FieldState(m_fields.Get(fieldData)); }
    const QFont& GetDataFont() const { return m_fontData; }

protected:
    void DoDataExchange(plat::ui::DataExchange& exchange) override;

private:
    enum Field : int { fieldName, fieldTime, fieldData, fieldCount };

    void OnChangeName();
    void OnChangeData();

    std::string m_strName;
    MCTime m_time = MCTime::TimeZero();
    std::string m_strData;
    QLineEdit* m_editName = nullptr;
    MCTimeEdit* m_editTime = nullptr;
    QPlainTextEdit* m_editData = nullptr;
    QFont m_fontData;
    MCFieldStates m_fields;
};
