#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqFilter.h"
#include "sequencer/values/MCVoiceMap.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

class ECEnvelope;
class ECText;
class MCEventList;
class MCTime;

// The sequencer data of a track element: what the mixer and the track list change while the
// piece plays (gain, pan, chorus, reverb, modulation, transposition, mute, solo and whether the
// track plays at all), the output address of each of its 8 voices, and the filters applied to
// its events. The kinds by which the conductor numbers its tracks: 0 the conductor staff, 1 a
// staff, 2 a wave track.
//
// The filters in the voice and track lists are owned: one filter may stand in several lists
// (a filter for every voice stands in all 8), and is deleted once, with the data, when it is
// still in any list. A filter removed from every list is its caller's again.
class SEQUENCER_API DCsqTrack : public DCsqFilter {
    PLAT_DECLARE_SERIAL(DCsqTrack)
public:
    static constexpr int voiceCount = 8;
    // The voice argument of the filter lists that stands for every voice.
    static constexpr unsigned int allVoices = 14;
    // State bits in the data's flag word; bit 0 is the dirty bit.
    enum : uint32_t { flagMuted = 0x2, flagSoloed = 0x4, flagActive = 0x8 };
    // Which filters GetFilterList appends.
    enum : unsigned long { voiceFilters = 0x1, trackFilters = 0x2 };

    // Not muted, not soloed, active; gain 1.0, everything else 0.0.
    DCsqTrack();
    // Copies as assignment does; a copy holds no filters of the lists.
    DCsqTrack(const DCsqTrack& other);
    // The state bits, the six parameters, the sequence and the voice maps; not the filters.
    DCsqTrack& operator=(const DCsqTrack& other);
    ~DCsqTrack() override;
    // Equal gain, pan and transposition.
    bool operator==(const DCsqTrack& other) const;
    bool operator!=(const DCsqTrack& other) const { return !(*this == other); }

    DCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    using DCsqFilter::GetFilter;

    // The six parameters, then for each voice its filter list and its voice map, then the track
    // filter list. Documents of versions 0-1 hold gain and pan only, version 2 one more word.
    // Loaded values are held to their ranges.
    void Serialize(plat::Archive& archive) override;
    // Drops the loaded filters without deleting them: the archive disposes of them.
    void unlinkAfterFailedLoad() override;

    // -1 here; the kind of the track element in the classes below.
    virtual int GetTrackType() const;
    // The parameter setters store a value held to its range; the staff classes also send it.
    // Gain: zero or below stores 0.0. Pan: -1.0 .. 1.0. Chorus, reverb, modulation: 0.0 .. 1.0.
    // Transposition: any number of semitones.
    virtual void SetTrackGain(float gain);
    virtual void SetTrackPan(float pan);
    virtual void SetTrackChorus(float chorus);
    virtual void SetTrackReverb(float reverb);
    virtual void SetTrackModulation(float modulation);
    virtual void SetTrackTransposition(float transposition);
    // Sends the expression controller on a staff; nothing here.
    virtual void SetTrackExpression();
    // Mute and solo change the bit, recompute which tracks play, and tell the views: a muted
    // track loses its solo, a soloed track its mute. Nothing happens when the bit is already so.
    virtual void UpdateMuteState(int track, int mute);
    virtual void UpdateSoloState(int track, int solo);
    virtual void SetActive(int active);
    // The envelopes of the track by element type (and controller or parameter a, b); none here.
    virtual ECEnvelope* GetEnvelope(int type, unsigned long flags, int voice, int a, int b);
    // Appends the envelopes of a type; 0 here.
    virtual int GetEnvelopes(MCEventList& list, int type, unsigned long flags, int voice);
    // Appends the envelopes' events in [from, to); nothing here.
    virtual void GetEnvelopeData(const MCTime& from, const MCTime& to, CSeqEventList& list);
    // Appends the envelopes' state at a time, for chasing; nothing here.
    virtual void GetStateData(const MCTime& time, CSeqEventList& list);

    // Read by the driver thread while the main thread changes them: kept atomically beside the
    // flag word, which holds them for storing.
    int IsMuted() const { return (m_stateBits.load(std::memory_order_relaxed) & flagMuted) ? 1 : 0; }
    int IsSoloed() const { return (m_stateBits.load(std::memory_order_relaxed) & flagSoloed) ? 1 : 0; }
    int IsActive() const { return (m_stateBits.load(std::memory_order_relaxed) & flagActive) ? 1 : 0; }
    float GetTrackGain() const { return m_gain.load(std::memory_order_relaxed); }
    float GetTrackPan() const { return m_pan; }
    float GetTrackTransposition() const { return m_transposition; }
    float GetTrackChorus() const { return m_chorus; }
    float GetTrackReverb() const { return m_reverb; }
    float GetTrackModulation() const { return m_modulation; }

    // The map of a voice 0-7; null for any other voice.
    MCVoiceMap* GetVoiceMap(int voice);

    // The sequence that plays the track; not owned.
    CSequence* GetSequence() const { return m_sequence; }
    // Also takes the state bits from the flag word, as a load leaves them there.
    void SetSequence(CSequence* sequence);

    // Filter lists. A null filter, or a voice that is neither 0-7 nor allVoices, is ignored.
    void AddVoiceFilter(LCBase* filter, unsigned int voice);
    // Takes the filter out of the list without deleting it.
    void RemoveVoiceFilter(LCBase* filter, unsigned int voice);
    void AddTrackFilter(LCBase* filter);
    void RemoveTrackFilter(LCBase* filter);
    // Appends the voice's filters (bit voiceFilters, voice 0-7), then the track's (bit
    // trackFilters).
    void GetFilterList(std::vector<LCBase*>& list, unsigned int voice, unsigned long which) const;
    // The first filter of that class type in the voice's list, else in the track's; or null.
    LCBase* GetFilter(int type, unsigned int voice) const;

    // The first text under the track element naming the sequence, the track, the instrument or
    // the title; null if none.
    ECText* GetTrackName() const;
    // Whether a text of the type (sequence name 2, track name 3, instrument name 4, title 8) can
    // be the one GetTrackName finds.
    static bool NamesTrack(int textType);

    // The data of the conductor's track of that kind and number, without making it; null when
    // the sequence has no conductor or the track or its data is missing.
    static DCsqTrack* GetTrackData(unsigned int track, int kind, CSequence* sequence);
    // The same for the track the element belongs to; null for no element.
    static DCsqTrack* GetTrackData(ECBase* element, int kind, CSequence* sequence);
    // Gives the conductor staff, every staff and every wave track of the sequence its data
    // (made when missing) and links that data to the sequence.
    static void AttachTracks(CSequence* sequence);
    // Unlinks the sequence from the data of its tracks, so that none points to it once it is gone.
    static void DetachTracks(CSequence* sequence);
    // Every staff and wave track of the sequence applies its stored gain again (a new master
    // gain) or, without gainOnly, all its mixer settings and full expression (a piece loaded).
    static void ReapplyMixerSettings(CSequence* sequence, int gainOnly);
    // Whether any staff or wave track of the sequence is soloed / muted.
    static int AnyTracksSoloed(CSequence* sequence);
    static int AnyTracksMuted(CSequence* sequence);

protected:
    // Gain and pan as documents before version 3 store them.
    void SerializeOldParameters(plat::Archive& archive);
    // Holds loaded parameters to their ranges, as the setters do, without sending them.
    void HoldParameters();
    // The track number in the owner's voice/track word; 2047 when it has none.
    int OwnerTrack() const;
    // The sequence's master gain; 1.0 without a sequence.
    float MasterGain() const;

private:
    // Every filter of the lists, each once.
    std::vector<LCBase*> OwnedFilters() const;
    // A filter that stands in no list any more is its caller's again.
    void ReleaseIfUnlisted(LCBase* filter);
    static void StoreFilterList(plat::Archive& archive, const std::vector<LCBase*>& list);
    // Reads a list, claiming each filter not already one of this track's.
    void LoadFilterList(plat::Archive& archive, std::vector<LCBase*>& list);
    void SetStateBit(uint32_t bit, int on);
    // Which staves and wave tracks play now; each kind is told to the views in a 3403 state.
    void UpdateActiveStates();
    // Applies a synchronous track state to the sequence's performance.
    void SendTrackState(int code, int track, int value);

    std::atomic<float> m_gain{1.0f};
    std::atomic<uint32_t> m_stateBits{flagActive};
    float m_pan = 0.0f;
    float m_transposition = 0.0f;
    float m_chorus = 0.0f;
    float m_reverb = 0.0f;
    float m_modulation = 0.0f;
    std::array<std::vector<LCBase*>, voiceCount> m_voiceFilters;
    std::vector<LCBase*> m_trackFilters;
    std::array<MCVoiceMap, voiceCount> m_voiceMaps;
    CSequence* m_sequence = nullptr;
};
