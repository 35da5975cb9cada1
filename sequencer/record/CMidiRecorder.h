#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/FCMidi.h"
#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"
#include "sequencer/layers/LCsqQuantize.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class CMidiScoreMgr;
class CSequence;
namespace plat {
class MessageLoop;
}
class LCsqPreferences;

// The MIDI recorder of a sequence. Each channel message that reaches the record callback is
// routed to a track and voice (by input device, channel and split pitch, following the record
// configuration), filtered, placed in time (lead-in, pre-record allowance, record region) and
// quantized, and handed to the score transcription, which adds the elements. It prepares the
// tracks a pass writes into, runs step recording (one chord per step, one undo entry per
// chord) and caps the measures when recording stops.
//
// Messages arrive on the recording thread, which waits on nothing of the document's thread:
// each is placed in time as it arrives and queued, and the document's thread records the
// queue in order (and records what is left before a stop or a pause), so the score is only
// ever changed there and a stop that waits for the recording lock on the document's thread
// cannot deadlock with a message coming in. Preparation and stop run on the transport's
// thread, except the later passes of loop recording, which the performance callback
// prepares: the tracks they insert are made on the document's thread, never waited for.
class SEQUENCER_API CMidiRecorder {
public:
    // Voice/track words of one device row: per channel, below and at or above the split.
    using Row = std::array<std::array<MCVoiceTrack, 2>, 16>;
    static constexpr const char* kRecordSection = "Sequencer\\Midi\\Record";
    static constexpr uint32_t kStepRecordName = 11000;

    CMidiRecorder() = default;
    CMidiRecorder(const CMidiRecorder&) = delete;
    CMidiRecorder& operator=(const CMidiRecorder&) = delete;

    // Keeps the sequence, its score manager and its record input filter; one routing row per
    // MIDI input of the device manager (at least one); the record settings from the
    // preferences.
    void Attach(CSequence* sequence);
    void Detach();
    CSequence* GetSequence() const { return m_sequence; }

    void SetRecordConfig(int config);
    int GetRecordConfig() const { return m_recordConfig; }
    void SetIgnoresDevice(int ignores);
    int IgnoresDevice() const { return m_ignoresDevice; }
    void SetSplitPitch(unsigned pitch) { m_splitPitch = pitch; }
    unsigned GetSplitPitch() const { return m_splitPitch; }
    void SetTrackOffset(unsigned offset) { m_trackOffset = offset; }
    unsigned GetTrackOffset() const { return m_trackOffset; }
    void SetVoiceOffset(unsigned offset) { m_voiceOffset = offset; }
    unsigned GetVoiceOffset() const { return m_voiceOffset; }
    // Below 1: none (and track offset 0); else that track, offset track - 1.
    void SelectBaseRecordingTrack(int track);
    int GetBaseRecordingTrack() const { return m_baseTrack; }
    int GetLastRecordingTrack() const { return m_lastTrack; }
    int GetDeviceCount() const { return m_deviceCount; }
    LCsqQuantize& GetQuantizer() { return m_quantizer; }
    // Nonzero when the sequence's record input filter blocks the message's kind.
    int FilterInput(const FCMidi& message) const;

    // An entry of the device's own row (no trade with the input device); ignored past the
    // rows or channel 15.
    void SetBaseVoiceTrack(MCVoiceTrack voiceTrack, unsigned device, unsigned channel, int upper);
    // The routing entry for a message of the device and channel with that pitch.
    MCVoiceTrack GetBaseVoiceTrack(unsigned device, unsigned channel, unsigned pitch) const;
    // The voice/track the message is recorded into; an unrouted channel gets a new track.
    MCVoiceTrack GetRealVoiceTrack(unsigned device, unsigned channel, unsigned pitch);

    // One incoming channel message, time-stamped in milliseconds of input time.
    void RecordMidiChannelMessage(unsigned device, uint32_t message, uint32_t ms);
    // A rest in step recording: the step advances with no note.
    void StepRecordRest();

    void PrepareToRecord();
    void PrepareToStepRecord() { PrepareToRecord(); }
    // Ends the notes of keys still held, caps the measures at the last recorded time, disarms
    // the tracks.
    void Stop();
    // Ends the notes of keys still held.
    void Pause();

    MCTime GetLastRecordedTime() const { return m_lastTime; }

protected:
    void _ConfigureRouting();
    int _FindNextEmptyTrack(int from);
    int _GetDefaultTracks() const;
    void _PrepareNewTracks(int inLoop);
    void _PrepareInLoop();
    void _InsertTracks(int first, int count);
    void _ClearTrack(int track);
    void _SetModified();

private:
    // The row a device reads, after the trade with the sequence's input device; a device past
    // the table reads row 0.
    size_t RowOf(unsigned device) const;
    // The record input's low channel (0-15) from the preferences.
    static int LowChannel();
    // A message as it came in: its device, its musical time by the timing then, and whether
    // a lead-in was running; or a rest of step recording.
    struct Arrival {
        unsigned device;
        FCMidi message;
        MCTime time;
        bool leadIn;
        bool rest;
    };
    // A message arriving ms after the play started, placed by the timing in force now.
    Arrival ArrivalAt(unsigned device, uint32_t message, uint32_t ms) const;
    void Record(const Arrival& arrival);
    // Records a note off now for each key still held, so that its note lasts until the
    // recording ends rather than keeping the length a note is made with.
    void EndHeldNotes();
    // Records the messages queued by the recording thread, in order; on the document's thread.
    void RecordPending();
    // Arms base ... last and disarms the other tracks (code 3404), or with every track off.
    void ApplyArming(bool allOff);
    // Inserts and names the tracks; on the document's thread.
    void InsertTracksNow(int first, int count);

    // The thread that attached the recorder (the document's), and a token that tasks posted
    // to it check, so none runs after Detach.
    plat::MessageLoop* m_homeLoop = nullptr;
    std::shared_ptr<int> m_alive;
    std::mutex m_pendingMutex;
    std::vector<Arrival> m_pending;
    bool m_pendingPosted = false;

    CSequence* m_sequence = nullptr;
    CMidiScoreMgr* m_scoreMgr = nullptr;
    LCsqPreferences* m_inputFilter = nullptr;
    LCsqQuantize m_quantizer;
    std::vector<Row> m_rows;
    MCTime m_lastTime{0.0f};
    MCTime m_chordTime{0.0f};
    int m_heldKeys = 0;
    int m_baseTrack = 0;
    int m_lastTrack = 0;
    int m_highestAtPrepare = 0;
    int m_modifiedSent = 0;
    int m_ignoresDevice = 1;
    int m_thruOnRecord = 0;
    int m_lowerVoice = 0;
    int m_recordConfig = 0;
    unsigned m_splitPitch = 60;
    unsigned m_trackOffset = 0;
    unsigned m_voiceOffset = 0;
    int m_deviceCount = 1;
};
