#include "sequencer/data/DCsqTrack.h"

#include "notabase/layers/LCBase.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECTrack.h"
#include "notabase/values/MCVoiceTrack.h"
#include "platform/core/Archive.h"
#include "sequencer/data/MCLoadClaims.h"
#include "sequencer/layers/LCsqBase.h"
#include "sequencer/states/SCTrack.h"
#include "sequencer/transport/CSequence.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

PLAT_IMPLEMENT_SERIAL(DCsqTrack, DCsqFilter, plat::kVersionableSchema | 2)

namespace {

constexpr uint32_t kStateBits = DCsqTrack::flagMuted | DCsqTrack::flagSoloed | DCsqTrack::flagActive;

// NaN is held to the low end, as the safest value for a level.
float clamped(float value, float low, float high)
{
    if (std::isnan(value))
        return low;
    return std::clamp(value, low, high);
}

void eraseFirst(std::vector<LCBase*>& list, LCBase* filter)
{
    auto found = std::find(list.begin(), list.end(), filter);
    if (found != list.end())
        list.erase(found);
}

template <class Visit>
void forEachTrackData(CSequence* sequence, int kind, Visit visit)
{
    ECConductor* conductor = sequence ? sequence->GetConductor() : nullptr;
    if (!conductor)
        return;
    const int count = conductor->GetMaxTrackNumber(kind);
    for (int number = 1; number <= count; ++number) {
        ECTrack* element = conductor->GetTrack(kind, number, 0);
        if (auto* data = plat::dynamicDowncast<DCsqTrack>(element ? element->GetData(0, 0) : nullptr))
            visit(number, *data);
    }
}

// Sets the sequence link of the data of every track of the sequence's conductor, the conductor
// staff included; make says whether missing data is made.
void linkTracks(CSequence* sequence, bool make, CSequence* link)
{
    ECConductor* conductor = sequence ? sequence->GetConductor() : nullptr;
    if (!conductor)
        return;
    for (int kind : {ECConductor::conductorTrack, ECConductor::staffTrack, ECConductor::waveTrack}) {
        const int first = kind == ECConductor::conductorTrack ? 0 : 1;
        const int last = kind == ECConductor::conductorTrack ? 0 : conductor->GetMaxTrackNumber(kind);
        for (int number = first; number <= last; ++number) {
            ECTrack* element = conductor->GetTrack(kind, number, 0);
            auto* data = plat::dynamicDowncast<DCsqTrack>(element ? element->GetData(0, make ? 1 : 0) : nullptr);
            if (data && (make || data->GetSequence() == sequence))
                data->SetSequence(link);
        }
    }
}

ECText* findTrackName(ECBase* element)
{
    MCEventList* children = element->GetChildren();
    if (!children)
        return nullptr;
    for (ECBase* child : *children) {
        if (auto* text = plat::dynamicDowncast<ECText>(child); text && DCsqTrack::NamesTrack(text->GetTextType()))
            return text;
        if (ECText* found = findTrackName(child))
            return found;
    }
    return nullptr;
}

}  // namespace

DCsqTrack::DCsqTrack()
{
    GetCell().SetCellWord(GetCell().GetCellWord() | flagActive);
}

DCsqTrack::DCsqTrack(const DCsqTrack& other) : DCsqFilter(other)
{
    *this = other;
}

DCsqTrack& DCsqTrack::operator=(const DCsqTrack& other)
{
    if (this == &other)
        return *this;
    DCsqFilter::operator=(other);
    const uint32_t word = GetCell().GetCellWord();
    GetCell().SetCellWord((word & ~kStateBits) | (other.GetCell().GetCellWord() & kStateBits));
    m_stateBits = other.m_stateBits.load() & kStateBits;
    m_gain = other.m_gain.load();
    m_pan = other.m_pan;
    m_transposition = other.m_transposition;
    m_chorus = other.m_chorus;
    m_reverb = other.m_reverb;
    m_modulation = other.m_modulation;
    m_sequence = other.m_sequence;
    m_voiceMaps = other.m_voiceMaps;
    return *this;
}

DCsqTrack::~DCsqTrack()
{
    // A filter may stand in several lists; each one is deleted once.
    std::vector<std::unique_ptr<LCBase>> doomed;
    for (LCBase* filter : OwnedFilters()) {
        MCLoadClaims::Forget(filter);
        doomed.emplace_back(filter);
    }
}

std::vector<LCBase*> DCsqTrack::OwnedFilters() const
{
    std::set<LCBase*> owned(m_trackFilters.begin(), m_trackFilters.end());
    for (const auto& list : m_voiceFilters)
        owned.insert(list.begin(), list.end());
    return {owned.begin(), owned.end()};
}

void DCsqTrack::ReleaseIfUnlisted(LCBase* filter)
{
    const auto owned = OwnedFilters();
    if (std::find(owned.begin(), owned.end(), filter) == owned.end())
        MCLoadClaims::Forget(filter);
}

void DCsqTrack::StoreFilterList(plat::Archive& archive, const std::vector<LCBase*>& list)
{
    archive.writeCount(static_cast<uint32_t>(list.size()));
    for (const LCBase* filter : list)
        archive.writeObject(filter);
}

void DCsqTrack::LoadFilterList(plat::Archive& archive, std::vector<LCBase*>& list)
{
    const uint32_t count = archive.readCount();
    for (uint32_t i = 0; i < count; ++i) {
        LCBase* filter = archive.readObjectAs<LCBase>();
        if (!filter)
            continue;
        // A filter for every voice stands in all 8 lists and is stored once.
        const auto owned = OwnedFilters();
        if (std::find(owned.begin(), owned.end(), filter) == owned.end())
            MCLoadClaims::Claim(filter, "track filters");
        list.push_back(filter);
    }
}

void DCsqTrack::Serialize(plat::Archive& archive)
{
    DCsqFilter::Serialize(archive);
    if (archive.isLoading())
        m_stateBits = GetCell().GetCellWord() & kStateBits;
    if (archive.isStoring()) {
        archive << m_gain.load() << m_pan << m_transposition << m_chorus << m_reverb << m_modulation;
        for (int voice = 0; voice < voiceCount; ++voice) {
            StoreFilterList(archive, m_voiceFilters[static_cast<size_t>(voice)]);
            m_voiceMaps[static_cast<size_t>(voice)].Serialize(archive);
        }
        StoreFilterList(archive, m_trackFilters);
        return;
    }
    if (ECPerformanceBase::GetActiveVersion(archive) < 3) {
        SerializeOldParameters(archive);
        return;
    }
    float gain = 0.0f;
    archive >> gain >> m_pan >> m_transposition >> m_chorus >> m_reverb >> m_modulation;
    m_gain = gain;
    HoldParameters();
    for (LCBase* filter : OwnedFilters()) {
        MCLoadClaims::Forget(filter);
        delete filter;
    }
    for (auto& list : m_voiceFilters)
        list.clear();
    m_trackFilters.clear();
    for (int voice = 0; voice < voiceCount; ++voice) {
        LoadFilterList(archive, m_voiceFilters[static_cast<size_t>(voice)]);
        m_voiceMaps[static_cast<size_t>(voice)].Serialize(archive);
    }
    LoadFilterList(archive, m_trackFilters);
}

void DCsqTrack::SerializeOldParameters(plat::Archive& archive)
{
    float gain = 0.0f;
    archive >> gain >> m_pan;
    m_gain = gain;
    if (ECPerformanceBase::GetActiveVersion(archive) == 2)
        archive.readU32();
    HoldParameters();
}

void DCsqTrack::HoldParameters()
{
    const float gain = m_gain.load();
    m_gain = (gain > 0.0f && std::isfinite(gain)) ? gain : 0.0f;
    m_pan = std::isnan(m_pan) ? 0.0f : std::clamp(m_pan, -1.0f, 1.0f);
    if (!std::isfinite(m_transposition))
        m_transposition = 0.0f;
    m_chorus = clamped(m_chorus, 0.0f, 1.0f);
    m_reverb = clamped(m_reverb, 0.0f, 1.0f);
    m_modulation = clamped(m_modulation, 0.0f, 1.0f);
}

void DCsqTrack::unlinkAfterFailedLoad()
{
    // What the load read goes with the archive; what the data made itself goes here.
    for (LCBase* filter : OwnedFilters()) {
        if (MCLoadClaims::IsClaimed(filter))
            MCLoadClaims::Forget(filter);
        else
            delete filter;
    }
    for (auto& list : m_voiceFilters)
        list.clear();
    m_trackFilters.clear();
    DCsqFilter::unlinkAfterFailedLoad();
}

bool DCsqTrack::operator==(const DCsqTrack& other) const
{
    return m_gain.load() == other.m_gain.load() && m_pan == other.m_pan && m_transposition == other.m_transposition;
}

DCBase* DCsqTrack::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqTrack>(other))
        *this = *data;
    return this;
}

int DCsqTrack::GetClassType() const
{
    return SeqClassType::Track;
}

int DCsqTrack::GetTrackType() const
{
    return -1;
}

void DCsqTrack::SetTrackGain(float gain)
{
    m_gain = (gain > 0.0f && !std::isnan(gain)) ? gain : 0.0f;
}

void DCsqTrack::SetTrackPan(float pan)
{
    m_pan = std::isnan(pan) ? 0.0f : std::clamp(pan, -1.0f, 1.0f);
}

void DCsqTrack::SetTrackChorus(float chorus)
{
    m_chorus = clamped(chorus, 0.0f, 1.0f);
}

void DCsqTrack::SetTrackReverb(float reverb)
{
    m_reverb = clamped(reverb, 0.0f, 1.0f);
}

void DCsqTrack::SetTrackModulation(float modulation)
{
    m_modulation = clamped(modulation, 0.0f, 1.0f);
}

void DCsqTrack::SetTrackTransposition(float transposition)
{
    m_transposition = transposition;
}

void DCsqTrack::SetTrackExpression()
{
}

void DCsqTrack::UpdateMuteState(int track, int mute)
{
    const int muted = mute ? 1 : 0;
    if (IsMuted() == muted)
        return;
    SetStateBit(flagMuted, muted);
    if (muted)
        UpdateSoloState(track, 0);
    UpdateActiveStates();
    SendTrackState(SCTrack::codeMute, track, IsMuted());
}

void DCsqTrack::UpdateSoloState(int track, int solo)
{
    const int soloed = solo ? 1 : 0;
    if (IsSoloed() == soloed)
        return;
    SetStateBit(flagSoloed, soloed);
    if (soloed)
        UpdateMuteState(track, 0);
    UpdateActiveStates();
    SendTrackState(SCTrack::codeSolo, track, IsSoloed());
}

void DCsqTrack::SetActive(int active)
{
    if (IsActive() != (active ? 1 : 0))
        SetStateBit(flagActive, active ? 1 : 0);
}

ECEnvelope* DCsqTrack::GetEnvelope(int /*type*/, unsigned long /*flags*/, int /*voice*/, int /*a*/, int /*b*/)
{
    return nullptr;
}

int DCsqTrack::GetEnvelopes(MCEventList& /*list*/, int /*type*/, unsigned long /*flags*/, int /*voice*/)
{
    return 0;
}

void DCsqTrack::GetEnvelopeData(const MCTime& /*from*/, const MCTime& /*to*/, CSeqEventList& /*list*/)
{
}

void DCsqTrack::GetStateData(const MCTime& /*time*/, CSeqEventList& /*list*/)
{
}

MCVoiceMap* DCsqTrack::GetVoiceMap(int voice)
{
    if (voice < 0 || voice >= voiceCount)
        return nullptr;
    return &m_voiceMaps[static_cast<size_t>(voice)];
}

void DCsqTrack::AddVoiceFilter(LCBase* filter, unsigned int voice)
{
    if (!filter)
        return;
    if (voice == allVoices) {
        for (auto& list : m_voiceFilters)
            list.push_back(filter);
    } else if (voice < voiceCount) {
        m_voiceFilters[voice].push_back(filter);
    }
}

void DCsqTrack::RemoveVoiceFilter(LCBase* filter, unsigned int voice)
{
    if (voice == allVoices) {
        for (auto& list : m_voiceFilters)
            eraseFirst(list, filter);
    } else if (voice < voiceCount) {
        eraseFirst(m_voiceFilters[voice], filter);
    }
    ReleaseIfUnlisted(filter);
}

void DCsqTrack::AddTrackFilter(LCBase* filter)
{
    if (filter)
        m_trackFilters.push_back(filter);
}

void DCsqTrack::RemoveTrackFilter(LCBase* filter)
{
    eraseFirst(m_trackFilters, filter);
    ReleaseIfUnlisted(filter);
}

void DCsqTrack::GetFilterList(std::vector<LCBase*>& list, unsigned int voice, unsigned long which) const
{
    if ((which & voiceFilters) && voice < voiceCount)
        list.insert(list.end(), m_voiceFilters[voice].begin(), m_voiceFilters[voice].end());
    if (which & trackFilters)
        list.insert(list.end(), m_trackFilters.begin(), m_trackFilters.end());
}

LCBase* DCsqTrack::GetFilter(int type, unsigned int voice) const
{
    auto ofType = [type](LCBase* filter) {
        auto* sequencerFilter = plat::dynamicDowncast<LCsqBase>(filter);
        return sequencerFilter && sequencerFilter->GetClassType() == type;
    };
    if (voice < voiceCount) {
        const auto& list = m_voiceFilters[voice];
        auto found = std::find_if(list.begin(), list.end(), ofType);
        if (found != list.end())
            return *found;
    }
    auto found = std::find_if(m_trackFilters.begin(), m_trackFilters.end(), ofType);
    return found != m_trackFilters.end() ? *found : nullptr;
}

bool DCsqTrack::NamesTrack(int textType)
{
    switch (textType) {
    case 2:  // sequence name
    case 3:  // track name
    case 4:  // instrument name
    case 8:  // title
        return true;
    default:
        return false;
    }
}

ECText* DCsqTrack::GetTrackName() const
{
    ECBase* owner = GetOwner();
    return owner ? findTrackName(owner) : nullptr;
}

DCsqTrack* DCsqTrack::GetTrackData(unsigned int track, int kind, CSequence* sequence)
{
    ECConductor* conductor = sequence ? sequence->GetConductor() : nullptr;
    if (!conductor || track > 0x7FFFFFFFu)
        return nullptr;
    ECTrack* element = conductor->GetTrack(kind, static_cast<int>(track), 0);
    if (!element)
        return nullptr;
    return plat::dynamicDowncast<DCsqTrack>(element->GetData(0, 0));
}

DCsqTrack* DCsqTrack::GetTrackData(ECBase* element, int kind, CSequence* sequence)
{
    if (!element)
        return nullptr;
    return GetTrackData(static_cast<unsigned int>(element->GetTrack()), kind, sequence);
}

void DCsqTrack::AttachTracks(CSequence* sequence)
{
    linkTracks(sequence, true, sequence);
}

void DCsqTrack::DetachTracks(CSequence* sequence)
{
    linkTracks(sequence, false, nullptr);
}

void DCsqTrack::ReapplyMixerSettings(CSequence* sequence, int gainOnly)
{
    for (int kind : {ECConductor::staffTrack, ECConductor::waveTrack}) {
        forEachTrackData(sequence, kind, [gainOnly](int, DCsqTrack& data) {
            data.SetTrackGain(data.GetTrackGain());
            if (gainOnly)
                return;
            data.SetTrackPan(data.GetTrackPan());
            data.SetTrackChorus(data.GetTrackChorus());
            data.SetTrackReverb(data.GetTrackReverb());
            data.SetTrackModulation(data.GetTrackModulation());
            data.SetTrackExpression();
        });
    }
}

int DCsqTrack::AnyTracksSoloed(CSequence* sequence)
{
    int soloed = 0;
    for (int kind : {ECConductor::staffTrack, ECConductor::waveTrack})
        forEachTrackData(sequence, kind, [&soloed](int, DCsqTrack& data) { soloed |= data.IsSoloed(); });
    return soloed;
}

int DCsqTrack::AnyTracksMuted(CSequence* sequence)
{
    int muted = 0;
    for (int kind : {ECConductor::staffTrack, ECConductor::waveTrack})
        forEachTrackData(sequence, kind, [&muted](int, DCsqTrack& data) { muted |= data.IsMuted(); });
    return muted;
}

int DCsqTrack::OwnerTrack() const
{
    return OwnerTrackNumber();
}

float DCsqTrack::MasterGain() const
{
    return m_sequence ? m_sequence->GetMasterGain() : 1.0f;
}

void DCsqTrack::SetStateBit(uint32_t bit, int on)
{
    const uint32_t word = GetCell().GetCellWord();
    GetCell().SetCellWord(on ? (word | bit) : (word & ~bit));
    if (on)
        m_stateBits.fetch_or(bit, std::memory_order_relaxed);
    else
        m_stateBits.fetch_and(~bit, std::memory_order_relaxed);
}

void DCsqTrack::SetSequence(CSequence* sequence)
{
    m_sequence = sequence;
    m_stateBits = GetCell().GetCellWord() & kStateBits;
}

void DCsqTrack::UpdateActiveStates()
{
    ECPerformance* performance = m_sequence ? m_sequence->GetPerformance() : nullptr;
    if (!performance) {
        // Without a sequence there are no other tracks to weigh against: this one plays when
        // it is soloed or not muted.
        SetActive(IsSoloed() || !IsMuted());
        return;
    }
    const int anySoloed = AnyTracksSoloed(m_sequence);
    for (int kind : {ECConductor::staffTrack, ECConductor::waveTrack}) {
        auto* state = new SCTrack(SCTrack::codeActive);
        state->SetTrackType(kind);
        state->SetSynchronous(1);
        forEachTrackData(m_sequence, kind, [state, anySoloed](int number, DCsqTrack& data) {
            const int active = anySoloed ? data.IsSoloed() : !data.IsMuted();
            data.SetActive(active);
            if (active)
                state->AddOnTrack(number);
            else
                state->AddOffTrack(number);
        });
        state->Apply(performance);
    }
}

void DCsqTrack::SendTrackState(int code, int track, int value)
{
    ECPerformance* performance = m_sequence ? m_sequence->GetPerformance() : nullptr;
    if (!performance)
        return;
    auto* state = new SCTrack(code);
    state->SetTrack(track);
    state->SetTrackType(GetTrackType());
    state->SetValue(value);
    state->SetSynchronous(1);
    state->Apply(performance);
}
