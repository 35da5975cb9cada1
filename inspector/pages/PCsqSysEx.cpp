#include "inspector/pages/PCsqSysEx.h"

#include "inspector/pages/PCsqPageCommand.h"
#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDataItem.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/model/MCEventList.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/DataExchange.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/transport/CSequence.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

PLAT_IMPLEMENT_DYNCREATE(PCsqSysEx, MCInspectorPage)

namespace {

DCsqSysMsg* MessageData(ECBase* event)
{
    return plat::dynamicDowncast<DCsqSysMsg>(event->GetData(0, 0));
}

}  // namespace

PCsqSysEx::PCsqSysEx(QWidget* parent) : MCInspectorPage(parent)
{
    setWindowTitle("&Performance");
    const plat::FontDescription font = LoadFontPreference("Settings\\Font", "Fixed-Pitch Font", "Courier", -14, 0, 0, 0, 1);
    m_fontData = QFont(QString::fromStdString(font.faceName));
    m_fontData.setStyleHint(QFont::Monospace);
    m_fontData.setFixedPitch(true);
    m_fontData.setPixelSize(std::max(1, std::abs(font.height)));
    m_fontData.setBold(font.isBold());
    m_fontData.setItalic(font.italic);

    auto* layout = new QVBoxLayout(this);
    auto* fields = new QFormLayout;
    m_editName = new QLineEdit(this);
    plat::ui::setItemId(m_editName, IDC_NAME);
    m_editTime = new MCTimeEdit(this);
    m_editTime->Create(this, IDC_TIME, MCSpinEdit::kVisibleSpin);
    fields->addRow("Name", m_editName);
    fields->addRow("Time", m_editTime);
    layout->addLayout(fields);
    m_editData = new QPlainTextEdit(this);
    plat::ui::setItemId(m_editData, IDC_DATA);
    m_editData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(m_editData, 1);

    // Only what the user types marks a field changed: loading the fields must not.
    connect(m_editName, &QLineEdit::textEdited, this, [this] { OnChangeName(); });
    connect(m_editData, &QPlainTextEdit::textChanged, this, [this] { OnChangeData(); });
}

PCsqSysEx::~PCsqSysEx() = default;

bool PCsqSysEx::InitPage()
{
    if (!MCInspectorPage::InitPage())
        return false;
    m_editTime->SetTimeFormat(1);
    m_editData->setFont(m_fontData);
    m_editData->update();
    return true;
}

void PCsqSysEx::UpdatePage()
{
    MCInspectorPage::UpdatePage();
    m_fields.Reset();
    m_strName.clear();
    m_strData.clear();
    m_time = MCTime::TimeZero();
    if (MCEventList* events = GetEventList()) {
        for (ECBase* event : *events) {
            auto* message = plat::dynamicDowncast<ECSystemMessage>(event);
            if (!message)
                continue;
            DCsqSysMsg* data = MessageData(message);
            const std::string name = message->GetMessageName();
            const std::string text = data ? data->GetSysExData().ConvertToString() : std::string();
            const MCTime time = *message->GetTime();
            if (m_fields.Merge(fieldName, m_strName, name))
                m_strName.clear();
            if (m_fields.Merge(fieldData, m_strData, text))
                m_strData.clear();
            if (m_fields.Merge(fieldTime, m_time, time))
                m_time = MCTime::TimeNull();
            if (m_fields.AllMixed(fieldCount))
                break;
        }
    }
    m_editTime->SetIndeterminate(m_fields.Get(fieldTime) == stateMixed);
}

void PCsqSysEx::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    auto* message = plat::dynamicDowncast<ECSystemMessage>(event);
    if (!message)
        return;
    MCInspectorPage::UpdateEvent(event, commands);
    DCsqSysMsg* data = MessageData(message);
    if (m_fields.IsChanged(fieldName)) {
        auto* edit = PCsqPageCommand<CCEdit>(commands, CommandIds::CCEdit);
        if (auto* copy = PCsqEditedCopy<ECSystemMessage>(*edit, message))
            copy->SetMessageName(m_strName);
    }
    if (m_fields.IsChanged(fieldTime)) {
        auto* edit = PCsqPageCommand<CCEditTime>(commands, CommandIds::CCEditTime);
        // The edit gives the time as typed (bar, beat and tick): the score keeps it normalized.
        MCTime time = m_time;
        if (MCOpusDoc* document = GetDocument())
            document->GetSequence()->NormalizeTime(time);
        edit->EditTime(message, &time);
    }
    if (m_fields.IsChanged(fieldData) && data) {
        auto* edit = PCsqPageCommand<CCEditData>(commands, CommandIds::CCEditData);
        if (auto* copy = PCsqEditedData<DCsqSysMsg>(*edit, data)) {
            // The text was checked when it was read from the page.
            FCMidiSysEx bytes = copy->GetSysExData();
            bytes.ConvertFromString(m_strData);
            copy->SetSysExData(bytes);
        }
    }
}

void PCsqSysEx::onNotice(int id, int code, QWidget*)
{
    if (id == IDC_TIME && code == MCTimeEdit::kNotice) {
        m_fields.Set(fieldTime, stateChanged);
        SetModifiedFlag(true);
    }
}

void PCsqSysEx::OnChangeName()
{
    m_fields.Set(fieldName, stateChanged);
    SetModifiedFlag(true);
}

void PCsqSysEx::OnChangeData()
{
    if (m_editData->signalsBlocked())
        return;
    m_fields.Set(fieldData, stateChanged);
    SetModifiedFlag(true);
}

void PCsqSysEx::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorPage::DoDataExchange(exchange);
    exchange.text(IDC_NAME, m_strName);
    DDX_MCTimeEdit(exchange, IDC_TIME, m_time);
    exchange.prepareControl(IDC_DATA);
    if (!exchange.saving()) {
        const QSignalBlocker quiet(m_editData);
        m_editData->setPlainText(QString::fromStdString(m_strData));
        return;
    }
    m_strData = m_editData->toPlainText().toStdString();
    // Bytes that cannot be read are refused before anything is applied, so a message is
    // never replaced by part of what was typed.
    if (m_fields.IsChanged(fieldData) && !FCMidiSysEx().ConvertFromString(m_strData))
        exchange.fail("Enter the message as hexadecimal bytes from 00 to ff, separated by blanks or commas.");
}
