#include "interface/pickers/MCChanModeList.h"

#include "interface/controls/MCTimeEdit.h"
#include "interface/document/MCOpusDoc.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/ECChannelMode.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/data/DCsqChannelMode.h"
#include "wavegate/CWavegate.h"

#include <QHeaderView>

#include <algorithm>

namespace {

constexpr int kChannelModeType = 9;
constexpr int kTimeColumn = 1;
constexpr int kTimeWidth = 80;
// Device and channel columns.
constexpr int kOtherFixedWidth = 200;

}  // namespace

MCChanModeList::MCChanModeList(QWidget* parent) : MCMessageList(parent)
{
}

bool MCChanModeList::SubclassList(int id, QWidget* parent)
{
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    Initialize();
    setSelectionMode(QAbstractItemView::SingleSelection);
    return true;
}

void MCChanModeList::Initialize()
{
    SetIconType(kChannelModeType);
    setColumnCount(4);
    setHeaderLabels({"Message", "Time", "Device", "Chan"});
    headerItem()->setTextAlignment(1, Qt::AlignCenter);
    headerItem()->setTextAlignment(3, Qt::AlignCenter);
    setColumnWidth(2, 160);
    setColumnWidth(3, 40);
    SetTimeWidth(kTimeWidth);
}

void MCChanModeList::SetTimeWidth(int width)
{
    setColumnWidth(kTimeColumn, width);
    SetFixedColumnsWidth(kOtherFixedWidth + width);
}

std::string MCChanModeList::MessageName(int type)
{
    static const char* const kNames[] = {"All Sounds Off", "Reset All Controllers", "Local Control ON",
                                         "Local Control OFF", "All Notes Off", "Mode 1", "Mode 2", "Mode 3", "Mode 4"};
    return type >= 0 && type <= 8 ? kNames[type] : "";
}

bool MCChanModeList::GetDeviceString(int device, std::string& out)
{
    out.clear();
    const CWavegate* wavegate = CWavegate::GetWavegate();
    WG_DevCaps caps;
    if (!wavegate || !wavegate->GetDeviceCaps(CWavegate::WG_MIDI, CWavegate::WG_OUT, device, &caps))
        return false;
    out = plat::format("%d) %s", device + 1, caps.name);
    return true;
}

void MCChanModeList::RefreshMessages()
{
    ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    ECConductor* conductor = performance ? performance->GetConductor() : nullptr;
    ECConductorStaff* staff = conductor ? conductor->GetConductorStaff() : nullptr;
    if (!staff)
        return;
    ACFindEvents find(1);
    find.AddEvtType(kChannelModeType);
    find.Apply(staff);
    find.GetEvents().Sort();
    clear();
    int timeWidth = kTimeWidth;
    for (ECBase* element : find.GetEvents()) {
        auto* mode = dynamic_cast<ECChannelMode*>(element);
        std::string time, device, channel;
        const MCTime* at = element->GetTime();
        if (at)
            MCTimeEdit::FormatTimeString(time, *at, 1, 0, 0);
        if (auto* data = dynamic_cast<DCsqChannelMode*>(element->GetData(0, 0))) {
            GetDeviceString(data->GetDevice(), device);
            channel = plat::format("%d", data->GetBasicChannel() + 1);
        }
        const QTreeWidgetItem* row =
            AddRow(element, {QString::fromStdString(MessageName(mode ? mode->GetChannelModeType() : -1)),
                             QString::fromStdString(time), QString::fromStdString(device), QString::fromStdString(channel)});
        // A time past bar 999 is wider than the column's usual width: the column grows to show it whole.
        timeWidth = std::max(timeWidth, sizeHintForIndex(indexFromItem(row, kTimeColumn)).width());
    }
    SetTimeWidth(timeWidth);
}
