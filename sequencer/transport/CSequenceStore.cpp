// Storing the sequence with its document: CSequence members of the sequence record.
#include "sequencer/transport/CSequence.h"

#include "notabase/layers/LCBase.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "platform/core/Archive.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/transport/CSequenceLocked.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// The option bits the region flags byte carries, bit 0 first.
constexpr int kRegionOptionBits[] = {3, 4, 5, 9};
// Set while the sequence was loaded from a file.
constexpr int kLoadedOption = 11;

[[noreturn]] void fail(const std::string& what)
{
    throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "sequence: " + what);
}

// A reference to sequencer data must name the data its element holds: anything else is an
// object the stream made up, which nothing would own.
bool isElementData(const DCsqBase* data)
{
    ECBase* owner = data ? data->GetOwner() : nullptr;
    return owner && owner->GetData(0, 0) == data;
}

}  // namespace

void CSequence::ValidateDataList(DCsqBase* head, DCsqBase* tail)
{
    if (!head || !tail) {
        if (head || tail)
            fail("a data list with only one end");
        return;
    }
    if (head->GetPrev())
        fail("a data list whose head has a predecessor");
    // Every node names the one before it, so a walk that comes back to a node meets a link that
    // disagrees there at the latest: the node's own predecessor was met once, before it, and
    // cannot be the node the walk comes from. The walk ends without a table of the nodes met.
    const DCsqBase* previous = nullptr;
    size_t walked = 0;
    for (DCsqBase* node = head; node; node = node->GetNext()) {
        if (node->GetPrev() != previous) {
            for (const DCsqBase* earlier = head; walked-- > 0; earlier = earlier->GetNext()) {
                if (earlier == node)
                    fail("a data list that runs in a circle");
            }
            fail("a data list whose links disagree");
        }
        if (!isElementData(node))
            fail("a data list node that belongs to no element");
        previous = node;
        ++walked;
    }
    if (previous != tail)
        fail("a data list that does not end at its tail");
}

void CSequence::StoreFilterList(plat::Archive& archive, const std::vector<LCBase*>& list)
{
    archive.writeCount(static_cast<uint32_t>(list.size()));
    for (const LCBase* filter : list)
        archive.writeObject(filter);
}

std::vector<LCBase*> CSequence::LoadFilterList(plat::Archive& archive)
{
    std::vector<LCBase*> list;
    const uint32_t count = archive.readCount();
    for (uint32_t i = 0; i < count; ++i) {
        LCBase* filter = archive.readObjectAs<LCBase>();
        if (!filter)
            continue;
        bool known = false;
        for (const auto& owned : m_loadedFilters)
            known = known || owned.get() == filter;
        if (!known) {
            MCLoadClaims::Claim(filter, "sequence filters");
            m_loadedFilters.emplace_back(filter);
        }
        list.push_back(filter);
    }
    return list;
}

void CSequence::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        Locked locked(*this);
        archive.writeObject(m_performance);
        archive.writeObject(m_conductor);
        archive.writeObject(m_head);
        archive.writeObject(m_tail);
        archive.writeFloat(m_userSpeed);
        uint8_t flags = 0;
        for (int bit = 0; bit < 4; ++bit)
            flags |= static_cast<uint8_t>(Option(kRegionOptionBits[bit]) << bit);
        archive.writeU8(flags);
        archive.writeObject(m_loopStartData);
        archive.writeObject(m_loopEndData);
        archive.writeI32(m_leadInMeasures);
        m_playRegionStart.Serialize(archive, -1);
        m_playRegionEnd.Serialize(archive, -1);
        m_recordRegionStart.Serialize(archive, -1);
        m_recordRegionEnd.Serialize(archive, -1);
        StoreFilterList(archive, m_inputFilters);
        StoreFilterList(archive, m_outputFilters);
        // A save while the transport runs must not send the play back to the start.
        if (TestState(stateStopped) && !TestState(kRecordStates & ~stateRecordStopped)) {
            m_recordPosition = m_head;
            m_playPosition = m_head;
        }
        return;
    }

    // Everything is read and checked before the sequence takes any of it.
    auto* performance = archive.readObjectAs<ECPerformance>();
    auto* conductor = archive.readObjectAs<ECConductor>();
    auto* head = archive.readObjectAs<DCsqBase>();
    auto* tail = archive.readObjectAs<DCsqBase>();
    if (conductor && (!performance || performance->GetConductor() != conductor))
        fail("a conductor of another piece");
    ValidateDataList(head, tail);

    const int version = ECPerformanceBase::GetActiveVersion(archive);
    float userSpeed = 0.0f;
    uint8_t flags = 0;
    DCsqFlowControl* loopStart = nullptr;
    DCsqFlowControl* loopEnd = nullptr;
    int32_t leadIn = m_leadInMeasures;
    MCTime playStart = m_playRegionStart;
    MCTime playEnd = m_playRegionEnd;
    MCTime recordStart = m_recordRegionStart;
    MCTime recordEnd = m_recordRegionEnd;
    std::vector<LCBase*> inputFilters;
    std::vector<LCBase*> outputFilters;
    const bool current = version < 0 || version >= 3;
    if (current) {
        userSpeed = archive.readFloat();
        flags = archive.readU8();
        loopStart = archive.readObjectAs<DCsqFlowControl>();
        loopEnd = archive.readObjectAs<DCsqFlowControl>();
        if ((loopStart && !isElementData(loopStart)) || (loopEnd && !isElementData(loopEnd)))
            fail("loop data that belongs to no element");
        leadIn = archive.readI32();
        playStart.Serialize(archive, version);
        playEnd.Serialize(archive, version);
        recordStart.Serialize(archive, version);
        recordEnd.Serialize(archive, version);
        inputFilters = LoadFilterList(archive);
        outputFilters = LoadFilterList(archive);
    } else {
        userSpeed = static_cast<float>(archive.readDouble());
    }

    {
        Locked locked(*this);
        SetOption(kLoadedOption, 1);
        m_performance = performance;
        m_conductor = conductor;
        m_head = head;
        m_tail = tail;
        // A speed the transport could not run at is held as the setters hold it.
        m_userSpeed = (userSpeed > 0.0f && std::isfinite(userSpeed)) ? userSpeed : 0.1f;
        if (current) {
            for (int bit = 0; bit < 4; ++bit)
                SetOption(kRegionOptionBits[bit], (flags >> bit) & 1);
            m_loopStartData = loopStart;
            m_loopEndData = loopEnd;
            m_leadInMeasures = std::max<int32_t>(leadIn, 1);
            m_playRegionStart = playStart;
            m_playRegionEnd = playEnd;
            m_recordRegionStart = recordStart;
            m_recordRegionEnd = recordEnd;
            m_inputFilters = std::move(inputFilters);
            m_outputFilters = std::move(outputFilters);
        }
        if (m_performance) {
            m_performance->RemoveCommandHandler(&CSequence::OnCommand, this);
            m_performance->AddCommandHandler(&CSequence::OnCommand, this);
        }
        m_recordPosition = m_head;
        m_playPosition = m_head;
    }
    // The members come to the sequence, and the preferences with them; the performance and the
    // conductor stay those just read. The preferences hold a lead-in count too: the
    // document's own stays.
    const int storedLeadIn = m_leadInMeasures;
    Attach(nullptr);
    if (current) {
        Locked locked(*this);
        m_leadInMeasures = storedLeadIn;
    }
    // Where an automatic stop ends the play comes from the list that CheckDataIntegrity
    // rebuilds from the loaded graph, which the owner of the sequence calls next.
}

void CSequence::unlinkAfterFailedLoad()
{
    for (auto& filter : m_loadedFilters) {
        LCBase* held = filter.release();
        MCLoadClaims::Forget(held);
    }
    m_loadedFilters.clear();
}
