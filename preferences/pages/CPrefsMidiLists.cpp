#include "preferences/pages/CPrefsMidiLists.h"

#include "preferences/pages/CPrefsPageBase.h"

#include "interface/controls/MCCheckList.h"
#include "interface/pickers/MCDeviceList.h"
#include "notabase/prefs/Preferences.h"
#include "sequencer/prefs/MCSeqPreferences.h"

MCCheckList* CPrefsMidiLists::AttachFilter(CPrefsPageBase& page, int id, const bool& loading)
{
    auto* filter = new MCCheckList(&page);
    filter->SubclassCheckList(id, &page, 1);
    filter->SetCheckChangedHandler([&page, &loading](int) {
        if (!loading)
            page.setModified(true);
    });
    filter->setHeaderHidden(true);
    return filter;
}

MCDeviceList* CPrefsMidiLists::AttachDevices(CPrefsPageBase& page, int id, int type, const bool& loading,
                                             std::function<void()> changed)
{
    auto* devices = new MCDeviceList(&page);
    devices->SubclassDeviceList(id, &page, type, 0);
    // The selection, not the current row: a click makes the row current before it selects it,
    // and the row chosen is read from the selection.
    QObject::connect(devices, &QListWidget::itemSelectionChanged, &page, [&loading, changed = std::move(changed)] {
        if (!loading)
            changed();
    });
    return devices;
}

void CPrefsMidiLists::LoadFilter(MCCheckList& filter, bool& loading, const char* section, EntryReader reader,
                                 const char* leaveOut)
{
    loading = true;
    filter.clear();
    for (int entry = 0; entry < MCSeqPreferences::entryCount; ++entry) {
        std::string name;
        const int flag = reader(name, entry);
        if (leaveOut && name == leaveOut)
            continue;
        const int row = filter.InsertItem(-1, QString::fromStdString(name));
        filter.SetCheck(row, LoadIntPreference(section, name.c_str(), flag) != 0);
    }
    loading = false;
}

void CPrefsMidiLists::SaveFilter(const MCCheckList& filter, const char* section)
{
    for (int row = 0; row < filter.GetItemCount(); ++row) {
        const std::string name = filter.topLevelItem(row)->text(0).toStdString();
        SaveIntPreference(section, name.c_str(), filter.GetCheck(row) ? 1 : 0);
    }
}
