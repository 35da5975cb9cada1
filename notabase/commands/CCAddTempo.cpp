#include "notabase/commands/CCAddTempo.h"

#include "notabase/commands/CCAddEnvPtItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/MCEventList.h"
#include "notabase/names/DisplayNames.h"
#include "platform/core/RefPtr.h"

#include <algorithm>
#include <utility>
#include <vector>

PLAT_IMPLEMENT_DYNCREATE(CCAddTempo, CCAddEnvPoint)

namespace {

// The tempo type of "rall.", between "accel." and "rit.".
constexpr unsigned char rallentando = ECTempo::typeAccelerando + 1;

float clampTempo(float tempo)
{
    return std::clamp(tempo, CCAddTempo::minTempo, CCAddTempo::maxTempo);
}

}  // namespace

int CCAddTempo::GetCommandId()
{
    return CommandIds::CCAddTempo;
}

int CCAddTempo::Prepare()
{
    return CCAddEnvPoint::Prepare();
}

int CCAddTempo::Finish()
{
    return CCAddEnvPoint::Finish();
}

void CCAddTempo::Undo()
{
    CCAddEnvPoint::Undo();
}

int CCAddTempo::ProcessItem(CCAddEnvPtItem* item)
{
    return CCAddEnvPoint::ProcessItem(item);
}

int CCAddTempo::PrepareItem(CCAddEnvPtItem* item)
{
    if (!CCAddEnvPoint::PrepareItem(item))
        return 0;
    if (m_restoring)
        return 1;
    auto* mark = plat::dynamicDowncast<ECTempo>(item->GetChild());
    auto* map = plat::dynamicDowncast<ECEnvelope>(item->GetParent());
    if (!mark || !map || !mark->GetTime())
        return 0;
    const MCTime at = *mark->GetTime();
    const unsigned char type = mark->GetTempoType();

    if (!ECTempo::IsRelativeTempo(type)) {
        // A metronome mark keeps the tempo it was given.
        if (type != ECTempo::typeMetronome)
            mark->SetValue(static_cast<float>(GetTempoValue(type)));
        mark->SetStyle(ECEnvPoint::styleStep);
        return 1;
    }

    if (type == ECTempo::typeATempo) {
        MCEventList before(10);
        map->GetPointsInRange(MCTime::TimeZero(), at, before);
        float tempo = map->GetDefaultValue();
        for (MCPosition p = before.GetTailPosition(); p;) {
            auto* earlier = plat::dynamicDowncast<ECTempo>(before.GetPrev(p));
            if (earlier && !ECTempo::HasDuration(earlier->GetTempoType())) {
                tempo = earlier->GetValue();
                break;
            }
        }
        mark->SetValue(tempo);
        mark->SetStyle(ECEnvPoint::styleStep);
        return 1;
    }

    // A gradual change or a pause: a span from the mark to a mark at its end. A group given by
    // an undo is put back as it was.
    if (item->GetAnchorList())
        return 1;
    ECEnvPoint* previous = map->GetPointBeforeEqual(at);
    const float base = previous ? previous->GetValue() : map->GetDefaultValue();
    // A pause holds what the tempo map gives it (ECTempo::GetPauseTempo), from the start.
    const bool pause = ECTempo::IsPauseTempo(type);
    const float start = pause ? mark->GetPauseTempo(base) : clampTempo(base);
    mark->SetValue(start);
    mark->SetStyle(pause ? ECEnvPoint::styleStep : ECEnvPoint::styleLinear);

    ECEnvPoint* next = map->GetPointAfterEqual(at);
    float end = next ? next->GetValue() : start;
    switch (type) {
    case ECTempo::typeAccelerando:
        end *= 1.33f;
        break;
    case rallentando:
        end *= 0.5f;
        break;
    case ECTempo::typeRitardando:
        end *= 0.75f;
        break;
    default:
        // After a pause the tempo before it comes back.
        end = previous ? previous->GetValue() : map->GetDefaultValue();
        break;
    }
    const plat::RefPtr<ECTempo> endMark(new ECTempo);
    endMark->Copy(mark);
    const MCTime endTime = at + *mark->GetDuration();
    endMark->SetTime(&endTime);
    endMark->SetDuration(&MCTime::TimeZero());
    endMark->SetValue(clampTempo(end));
    endMark->SetStyle(ECEnvPoint::styleStep);
    MCEventList anchors(10);
    anchors.AddTail(mark);
    anchors.AddTail(endMark.get());
    item->SetAnchorList(&anchors);
    return 1;
}

int CCAddTempo::Process()
{
    // Every mark pushed before 0, with where it stood: all go back when the adding fails.
    std::vector<std::pair<plat::RefPtr<ECEnvPoint>, MCTime>> moved;
    auto restore = [&moved] {
        for (auto it = moved.rbegin(); it != moved.rend(); ++it)
            it->first->SetTime(&it->second);
    };
    for (const auto& item : GetItems()) {
        auto* mark = plat::dynamicDowncast<ECTempo>(item->GetChild());
        auto* map = plat::dynamicDowncast<ECEnvelope>(item->GetParent());
        if (!mark || !map || mark->GetTempoType() != ECTempo::typePause || !mark->GetTime()
            || *mark->GetTime() != MCTime::TimeZero())
            continue;
        ECEnvPoint* standing = map->GetPointBeforeEqual(MCTime::TimeZero());
        if (!standing)
            continue;
        auto* tempo = plat::dynamicDowncast<ECTempo>(standing);
        if (tempo && tempo->GetTempoType() == ECTempo::typePause) {
            restore();
            return 0;
        }
        moved.emplace_back(plat::RefPtr<ECEnvPoint>(standing), *standing->GetTime());
        MCTime justBefore = MCTime::TimeZero();
        justBefore.AddTicks(-1, MCTime::GlobalPPQ);
        standing->SetTime(&justBefore);
    }
    if (CCAddEnvPoint::Process())
        return 1;
    restore();
    return 0;
}
