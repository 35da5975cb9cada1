#include "interface/pickers/MCTrackSource.h"

#include "interface/core/InterfaceModule.h"
#include "interface/document/MCOpusDoc.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/ECText.h"
#include "notabase/performance/ECPerformance.h"
#include "platform/core/Strings.h"
#include "sequencer/data/DCsqTrack.h"

namespace {

constexpr int kStaffType = 55;

}  // namespace

std::vector<MCTrackSource::Track> MCTrackSource::List(MCOpusDoc* doc)
{
    std::vector<Track> tracks;
    ECPerformance* performance = doc ? doc->GetBaseEvent() : nullptr;
    if (!performance)
        return tracks;
    ACFindEvents find(1);
    find.AddEvtType(kStaffType);
    find.Apply(performance);
    for (ECBase* staff : find.GetEvents()) {
        auto* data = dynamic_cast<DCsqTrack*>(staff->GetData(0, 0));
        const ECText* text = data ? data->GetTrackName() : nullptr;
        if (!text)
            continue;
        const int number = int(tracks.size()) + 1;
        std::string name = text->GetText();
        name = name.substr(0, name.find_first_of("\r\n"));
        if (name.empty())
            name = plat::format(InterfaceModule::String(11541).c_str(), number);
        tracks.push_back({staff, number, name});
    }
    return tracks;
}
