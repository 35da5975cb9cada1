#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorPage.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <cstdint>
#include <string>

class MCTimeEdit;
class QLineEdit;
class QPlainTextEdit;

// The inspector page of envelopes of every kind: their name, their comment and the smallest
// step between their points. Names or comments that differ show empty and stay as they are
// unless the user types a new one.
class INSPECTOR_API PCsqEnvelope : public MCInspectorPage, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNCREATE(PCsqEnvelope)
public:
    enum : int { kName = 4471, kComment = 4472, kSpacing = 4473, kSpacingLabel = 4474 };
    enum FieldState : uint8_t {
        stateNone = MCFieldStates::stateNone,
        stateCommon = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };
    enum Field { fieldName, fieldComment, fieldSpacing, fieldCount };

    explicit PCsqEnvelope(QWidget* parent = nullptr);

    bool InitPage() override;
    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void onNotice(int id, int code, QWidget* control) override;

    FieldState GetFieldState(Field field) const { return FieldState(m_fields.Get(field)); }
    const std::string& GetName() const { return m_name; }
    const std::string& GetComment() const { return m_comment; }
    const MCTime& GetSpacing() const { return m_spacing; }

protected:
    void DoDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void MarkChanged(Field field);

    std::string m_name;
    std::string m_comment;
    MCTime m_spacing = MCTime::TimeNull();
    MCTimeEdit* m_spacingEdit = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QPlainTextEdit* m_commentEdit = nullptr;
    MCFieldStates m_fields;
};
