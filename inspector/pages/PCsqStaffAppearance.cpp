#include "inspector/pages/PCsqStaffAppearance.h"

#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDataItem.h"
#include "inspector/pages/PCsqPageCommand.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECStaff.h"
#include "platform/ui/dialog/DataExchange.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/data/DCsqTrack.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include <array>

PLAT_IMPLEMENT_DYNCREATE(PCsqStaffAppearance, MCInspectorPage)

namespace {

struct StaffKind {
    const char* item;
    int type;
};
constexpr std::array<StaffKind, 4> kKinds{{
    {"Normal Staff", 0},
    {"Grand Staff (Piano)", 1},
    {"Drum Staff", 3},
    {"Vocal Staff", 6},
}};

DCsqTrack* TrackData(ECBase* element)
{
    if (!element || element->GetEventId() != EventId::Staff)
        return nullptr;
    return plat::dynamicDowncast<DCsqTrack>(element->GetData(0, 0));
}

}  // namespace

PCsqStaffAppearance::PCsqStaffAppearance()
{
    setWindowTitle("&Appearance");
    auto* layout = new QVBoxLayout(this);
    auto* nameGroup = new QGroupBox("Staff Name", this);
    auto* nameLayout = new QVBoxLayout(nameGroup);
    auto* name = new QLineEdit(nameGroup);
    plat::ui::setItemId(name, IDC_NAME);
    name->setToolTip("Name for the track");
    nameLayout->addWidget(name);
    auto* typeGroup = new QGroupBox("Staff Type", this);
    auto* typeLayout = new QVBoxLayout(typeGroup);
    auto* type = new QComboBox(typeGroup);
    plat::ui::setItemId(type, IDC_TYPE);
    type->setToolTip("Select type of staff");
    for (const StaffKind& kind : kKinds)
        type->addItem(kind.item);
    typeLayout->addWidget(type);
    layout->addWidget(nameGroup);
    layout->addWidget(typeGroup);
    layout->addStretch(1);
    // Only what the user does marks a field changed, never what the page loads.
    connect(name, &QLineEdit::textEdited, this, [this] { OnNameEdited(); });
    connect(type, &QComboBox::activated, this, [this] { OnTypeChosen(); });
}

int PCsqStaffAppearance::IndexOfStaffType(int staffType)
{
    for (size_t i = 0; i < kKinds.size(); ++i)
        if (kKinds[i].type == staffType)
            return int(i);
    return -1;
}

int PCsqStaffAppearance::StaffTypeOfIndex(int index)
{
    return index >= 0 && index < int(kKinds.size()) ? kKinds[size_t(index)].type : -1;
}

void PCsqStaffAppearance::UpdatePage()
{
    MCInspectorPage::UpdatePage();
    m_fields.Reset();
    m_strName.clear();
    m_nType = -1;
    MCEventList* events = GetEventList();
    if (!events)
        return;
    for (ECBase* element : *events) {
        DCsqTrack* data = TrackData(element);
        if (!data)
            continue;
        // A staff without a name text has no name to show or change.
        if (const ECText* name = data->GetTrackName()) {
            if (m_fields.Merge(fieldName, m_strName, name->GetText()))
                m_strName.clear();
        }
        const int index = IndexOfStaffType(static_cast<ECStaff*>(element)->GetStaffType());
        if (m_fields.Merge(fieldType, m_nType, index))
            m_nType = -1;
        if (m_fields.AllMixed(fieldCount))
            break;
    }
}

void PCsqStaffAppearance::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorPage::DoDataExchange(exchange);
    exchange.text(IDC_NAME, m_strName);
    exchange.comboIndex(IDC_TYPE, m_nType);
}

void PCsqStaffAppearance::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    DCsqTrack* data = TrackData(event);
    if (!data)
        return;
    MCInspectorPage::UpdateEvent(event, commands);
    const auto edit = [&commands] {
        return PCsqPageCommand<CCEdit>(commands, CommandIds::CCEdit);
    };
    if (m_fields.IsChanged(fieldName)) {
        if (ECText* name = data->GetTrackName())
            if (auto* copy = PCsqEditedCopy<ECText>(*edit(), name))
                copy->SetText(m_strName);
    }
    const int type = StaffTypeOfIndex(m_nType);
    if (m_fields.IsChanged(fieldType) && type >= 0) {
        if (auto* copy = PCsqEditedCopy<ECStaff>(*edit(), event))
            copy->SetStaffType(static_cast<unsigned char>(type));
        if (type == 3) {
            auto* editData = PCsqPageCommand<CCEditData>(commands, CommandIds::CCEditData);
            if (auto* copy = PCsqEditedData<DCsqTrack>(*editData, data))
                for (int voice = 0; voice < 8; ++voice)
                    if (MCVoiceMap* map = copy->GetVoiceMap(voice))
                        map->SetChannel(kDrumChannel);
        }
    }
}

void PCsqStaffAppearance::OnNameEdited()
{
    m_fields.Set(fieldName, stateChanged);
    SetModifiedFlag(true);
}

void PCsqStaffAppearance::OnTypeChosen()
{
    m_fields.Set(fieldType, stateChanged);
    SetModifiedFlag(true);
}
