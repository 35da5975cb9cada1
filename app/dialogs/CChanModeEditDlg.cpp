#include "app/dialogs/CChanModeEditDlg.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/pickers/MCDeviceBox.h"
#include "interface/pickers/MCDeviceDataExchange.h"
#include "notabase/actions/ACFindFirstEvent.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDataItem.h"
#include "notabase/commands/CCEditItem.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECChannelMode.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "platform/core/RefPtr.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "sequencer/data/DCsqChannelMode.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

namespace {

constexpr const char* kTypeNames[] = {"All Sounds OFF",           "Reset All Controllers",    "Local Control ON",
                                      "Local Control OFF",        "All Notes OFF",            "Mode 1 (Omni ON, Poly)",
                                      "Mode 2 (Omni ON, Mono)",   "Mode 3 (Omni OFF, Poly)",  "Mode 4 (Omni OFF, Mono)"};

DCsqChannelMode* dataOf(ECBase* element)
{
    return element ? dynamic_cast<DCsqChannelMode*>(element->GetData(0, 1)) : nullptr;
}

// The data keeps the mode-4 count in a byte, "all" as 0xFF.
int countOf(const DCsqChannelMode& data)
{
    return static_cast<int8_t>(data.GetMode4Channels());
}

}  // namespace

CChanModeEditDlg::CChanModeEditDlg(MCOpusDoc* doc, ECChannelMode* element, QWidget* parent)
    : plat::ui::ExchangeDialog(parent), m_doc(doc), m_element(element), m_time(MCTime::TimeZero())
{
    setWindowTitle("Channel Mode Editor");
    ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    ECConductorStaff* staff = performance ? performance->GetConductor()->GetConductorStaff() : nullptr;
    if (m_element) {
        if (const MCTime* at = m_element->GetTime())
            m_time = *at;
        m_type = m_element->GetChannelModeType();
        if (const DCsqChannelMode* data = dataOf(m_element)) {
            m_device = data->GetDevice();
            m_channel = data->GetBasicChannel();
            m_mode4Channels = countOf(*data);
        }
    } else if (staff) {
        ACFindFirstEvent find;
        find.AddEvtType(EventId::ChannelMode);
        find.SetDepth(1);
        find.Apply(staff);
        if (const DCsqChannelMode* data = dataOf(find.GetEvent())) {
            m_device = data->GetDevice();
            m_channel = data->GetBasicChannel();
        }
    }

    auto* layout = new QGridLayout(this);
    auto* device = new MCDeviceBox(this);
    plat::ui::setItemId(device, kDevice);
    device->SetType(MCDeviceLabels::midiOutInstruments);
    auto* time = new MCTimeEdit(this);
    time->SetTimeFormat(1);
    plat::ui::setItemId(time, kTime);
    auto* channel = new QComboBox(this);
    plat::ui::setItemId(channel, kChannel);
    for (int i = 1; i <= 16; ++i)
        channel->addItem(QString::number(i));
    auto* types = new QGroupBox("Message", this);
    auto* typeLayout = new QVBoxLayout(types);
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < kTypeCount; ++i) {
        auto* radio = new QRadioButton(kTypeNames[i], types);
        plat::ui::setItemId(radio, kType + i);
        plat::ui::setGroupStart(radio, i == 0);
        group->addButton(radio, i);
        typeLayout->addWidget(radio);
        connect(radio, &QRadioButton::clicked, this, [this] { OnType(); });
    }
    auto* channelsLabel = new QLabel("Channels", this);
    plat::ui::setItemId(channelsLabel, kChannelsLabel);
    auto* channels = new QComboBox(this);
    plat::ui::setItemId(channels, kChannels);
    channels->addItem("ALL");
    for (int i = 1; i <= 16; ++i)
        channels->addItem(QString::number(i));

    layout->addWidget(new QLabel("Device:", this), 0, 0);
    layout->addWidget(device, 0, 1, 1, 3);
    layout->addWidget(new QLabel("Time:", this), 1, 0);
    layout->addWidget(time, 1, 1);
    layout->addWidget(new QLabel("Channel:", this), 1, 2);
    layout->addWidget(channel, 1, 3);
    layout->addWidget(types, 2, 0, 1, 4);
    layout->addWidget(channelsLabel, 3, 0);
    layout->addWidget(channels, 3, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CChanModeEditDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CChanModeEditDlg::reject);
    layout->addWidget(buttons, 4, 0, 1, 4);
    updateData(false);
}

int CChanModeEditDlg::Run(MCOpusDoc* doc, ECChannelMode* element, QWidget* parent)
{
    CChanModeEditDlg dialog(doc, element, parent);
    return plat::ui::ModalHooks::runDialog(dialog);
}

void CChanModeEditDlg::doDataExchange(plat::ui::DataExchange& dx)
{
    // A device this system does not list keeps the message's own.
    int device = m_device;
    DDX_MCDeviceBox(dx, kDevice, device);
    if (dx.saving() && device >= 0)
        m_device = device;
    DDX_MCTimeEdit(dx, kTime, m_time);
    dx.comboIndex(kChannel, m_channel);
    dx.radio(kType, m_type);
    int index = m_mode4Channels + 1;
    dx.comboIndex(kChannels, index);
    if (dx.saving()) {
        m_mode4Channels = index - 1;
    } else {
        for (int id : {kChannelsLabel, kChannels}) {
            if (QWidget* control = plat::ui::itemWidget(this, id))
                control->setVisible(m_type == kMode4);
        }
    }
}

void CChanModeEditDlg::OnType()
{
    updateData(true);
    updateData(false);
}

void CChanModeEditDlg::accept()
{
    if (!updateData(true))
        return;
    applyChange();
    QDialog::accept();
}

void CChanModeEditDlg::applyChange()
{
    ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    ECConductorStaff* staff = performance ? performance->GetConductor()->GetConductorStaff() : nullptr;
    if (!staff)
        return;
    const auto type = static_cast<unsigned char>(std::clamp(m_type, 0, kTypeCount - 1));
    const auto channel = static_cast<uint8_t>(std::clamp(m_channel, 0, 15));
    const auto channels = static_cast<uint8_t>(m_mode4Channels);
    const auto device = static_cast<uint8_t>(std::max(m_device, 0));
    MCCommandList list;
    if (m_element) {
        auto* move = static_cast<CCEditTime*>(list.GetCommand(CommandIds::CCEditTime, &CCEditTime::classObject));
        move->EditTime(m_element, &m_time);
        auto* edit = static_cast<CCEdit*>(list.GetCommand(CommandIds::CCEdit, &CCEdit::classObject));
        CCEditItem* item = edit->EditEvent(m_element);
        if (auto* copy = item ? dynamic_cast<ECChannelMode*>(item->GetNewEvent()) : nullptr)
            copy->SetChannelModeType(type);
        if (DCsqChannelMode* data = dataOf(m_element)) {
            auto* editData = static_cast<CCEditData*>(list.GetCommand(CommandIds::CCEditData, &CCEditData::classObject));
            CCEditDataItem* dataItem = editData->EditData(data, 0);
            if (auto* copy = dataItem ? dynamic_cast<DCsqChannelMode*>(dataItem->GetNewData()) : nullptr) {
                copy->SetBasicChannel(channel);
                copy->SetMode4Channels(channels);
                copy->SetDevice(device);
            }
        }
    } else {
        plat::RefPtr<ECChannelMode> message(new ECChannelMode);
        message->SetChannelModeType(type);
        message->SetTime(&m_time);
        message->SetVoiceTrack(0, 0);
        if (DCsqChannelMode* data = dataOf(message.get())) {
            data->SetBasicChannel(channel);
            data->SetMode4Channels(channels);
            data->SetDevice(device);
        }
        auto* add = static_cast<CCAdd*>(list.GetCommand(CommandIds::CCAdd, &CCAdd::classObject));
        add->Add(message.get(), staff, FCMidi::MidiNull());
    }
    list.SetSynchronous(1);
    MCCommandMgr::BeginUndo(performance, m_element ? "Edit Channel Mode Message" : "New Channel Mode Message");
    list.Apply(performance);
    MCCommandMgr::EndUndo(performance);
    m_doc->SetModifiedFlag();
}
