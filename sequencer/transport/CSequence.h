#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/model/MCEventList.h"
#include "notabase/values/MCTime.h"
#include "platform/core/Event.h"
#include "platform/core/Object.h"
#include "platform/core/RecursiveLock.h"
#include "sequencer/data/MCLoadClaims.h"
#include "sequencer/monitor/CHighlightMgr.h"
#include "sequencer/monitor/CMeterLevelMgr.h"
#include "sequencer/play/CSeqMetronome.h"
#include "sequencer/play/CSeqPlay.h"
#include "sequencer/prefetch/CWavePrefetchMgr.h"
#include "sequencer/record/CMidiRecorder.h"
#include "sequencer/record/CWaveRecorder.h"
#include "sequencer/score/CMidiScoreMgr.h"
#include "sequencer/score/CWaveScoreMgr.h"
#include "wavegate/CWGEventData.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

class CCAdd;
class CCAddKey;
class CCAddMeter;
class CCAddTrack;
class CCEdit;
class CCEditData;
class CCEditDuration;
class CCEditGraph;
class CCEditTime;
class CCRemove;
class CCRemoveKey;
class CCRemoveMeter;
class CCRemoveTrack;
class DCsqBase;
class DCsqFlowControl;
class ECBase;
class ECConductor;
class ECPerformance;
class ECTempoEnv;
class LCBase;
class LCsqPreferences;
class SCBase;
class SCCommand;
class SCMaster;
class SCTrack;

// The sequence of one document: its transport (play, pause, stop, record, fast forward,
// locate), the options and regions that shape it, its speeds, the time-ordered list of the
// sequencer data of its elements, and the performance callback through which the media
// layer's driver asks it for the events of each 100 ms slice.
//
// Threads and locks. Transport calls come from the document's thread; the performance
// callback runs on the media layer's threads while the device manager holds its main lock.
// Every operation that reads the piece takes the performance lock and then the sequence lock,
// the same order as the callback path (device manager, performance, sequence). No call that
// takes the device manager's locks (registration, hand-over of records, queued sends) is made
// while this thread holds the sequence's locks: such calls are queued and run once the
// outermost hold is released. Locates and other synchronous states, whose handlers may stop
// the sequence and wait for the callback, are applied with the locks released, and a wait for
// the transport to come to rest never happens while this thread holds them or runs the callback.
class SEQUENCER_API CSequence : public plat::Object {
    PLAT_DECLARE_DYNAMIC(CSequence)
public:
    // Transport state bits.
    enum : uint32_t {
        stateStopped = 0x1,
        stateStopping = 0x2,
        statePaused = 0x4,
        statePausing = 0x8,
        statePlaying = 0x10,
        stateFastForward = 0x40,
        stateStepPlaying = 0x100,
        statePlayLeadIn = 0x200,
        stateRecordStopped = 0x1000,
        stateRecordPaused = 0x4000,
        stateRecording = 0x10000,
        stateStepRecording = 0x20000,
        stateRecordLeadIn = 0x40000,
        stateMidiWriting = 0x1000000,
    };
    static constexpr uint32_t kPlayStates = 0x35F;
    static constexpr uint32_t kRecordStates = 0x75000;
    static constexpr uint32_t kDefaultOptions = 0x181083;
    static constexpr uint32_t kInitialState = 0x1001;
    // The MIDI-file track that selects every track.
    static constexpr int kEveryTrack = 2046;
    // How long Stop(1) waits for the callback to drain.
    static constexpr uint32_t kStopWaitMs = 5000;
    // The pause between two pre-start messages, so a device finishes one before the next.
    static constexpr uint32_t kPrestartPauseMs = 300;
    // The flow types of the hidden loop marks.
    static constexpr int kLoopStart = 17;
    static constexpr int kLoopEnd = 18;

    CSequence();
    // Stops, waits for the callback to drain, and leaves the media layer.
    ~CSequence() override;
    CSequence(const CSequence&) = delete;
    CSequence& operator=(const CSequence&) = delete;

    // Takes the performance (when not null) and registers as its command handler's sequence,
    // then attaches the player, the metronome, the recorders and the managers, and applies the
    // sequencer preferences.
    void Attach(ECPerformance* performance);
    // Leaves the media layer, detaches the members, and forgets the performance and the data
    // list.
    void Detach();

    // Filters, not owned; a null filter is ignored.
    void AddInputFilter(LCBase* filter);
    void AddOutputFilter(LCBase* filter);
    void RemoveInputFilter(LCBase* filter);
    void RemoveOutputFilter(LCBase* filter);
    // The preference filter for type 5, else the first filter of that class type, or null.
    LCBase* GetInputFilter(int type);
    LCBase* GetOutputFilter(int type);
    // Appends the input filters (mask 0x4), the output filters (0x8), the input preference
    // filter (0x10) and the output preference filter (0x20).
    void GetFilterList(std::vector<LCBase*>& list, unsigned long mask);
    static LCsqPreferences s_PrefsInFilter;
    static LCsqPreferences s_PrefsOutFilter;

    // Speeds. Zero, negative or not-a-number speeds become 0.1.
    void SetUserSpeed(float speed);
    void SetScoreSpeed(float speed);
    void SetFastSpeed(float speed);
    float GetUserSpeed() const { return m_userSpeed; }
    float GetScoreSpeed() const { return m_scoreSpeed; }
    float GetFastSpeed() const { return m_fastSpeed; }
    float GetActualSpeed() const { return m_actualSpeed; }
    float GetMasterGain() const { return m_masterGain; }
    // A negative or not-a-number gain is 0; every track applies its own gain again under it.
    void SetMasterGain(float gain);

    void SetInputMidiDevice(int device) { m_inputMidiDevice = device; }
    int GetInputMidiDevice() const { return m_inputMidiDevice; }
    void SetOutputMidiDevice(int device) { m_outputMidiDevice = device; }
    int GetOutputMidiDevice() const { return m_outputMidiDevice; }
    void SetInputWaveDevice(int device) { m_inputWaveDevice = device; }
    int GetInputWaveDevice() const { return m_inputWaveDevice; }
    void SetOutputWaveDevice(int device) { m_outputWaveDevice = device; }
    int GetOutputWaveDevice() const { return m_outputWaveDevice; }

    // Regions; the loop region is the play region. Setting a region or a switch tells the
    // views (1905 to 1908).
    void GetPlayRegion(MCTime& start, MCTime& end);
    void SetPlayRegion(const MCTime& start, const MCTime& end);
    void GetLoopRegion(MCTime& start, MCTime& end) { GetPlayRegion(start, end); }
    void SetLoopRegion(const MCTime& start, const MCTime& end) { SetPlayRegion(start, end); }
    void GetRecordRegion(MCTime& start, MCTime& end);
    void SetRecordRegion(const MCTime& start, const MCTime& end);

    int GetNumLeadInMeasures() const { return m_leadInMeasures; }
    // At least 1; refreshes the lead-in time.
    void SetNumLeadInMeasures(int measures);

    // On: stops at once, then takes the MIDI-writing switches from the preferences. The
    // MIDI-file writer calls it holding the performance lock, so the stop neither waits for the
    // callback nor calls anything that takes the device manager's lock.
    void SetMidiWriting(int on);

    // Options. The readers marked so answer 0 while the device manager follows external
    // clock (sync mode 2).
    int AutoRewindEnabled() const;
    void EnableAutoRewind(int on) { SetOption(0, on); }
    int AutoSendPrestart() const;  // 0 in sync mode 2
    void EnableAutoSendPrestart(int on) { SetOption(1, on); }
    int GetStepMode() const { return Option(2); }
    int LoopRegionEnabled() const;  // 0 in sync modes 1 and 2 and while step recording
    void EnableLoopRegion(int on);
    int PlayRegionEnabled() const;  // 0 in sync mode 2
    void EnablePlayRegion(int on);
    int RecordRegionEnabled() const;  // 0 in sync mode 2
    void EnableRecordRegion(int on);
    int RecordReplaceEnabled() const { return Option(6); }
    void EnableRecordReplace(int on) { SetOption(6, on); }
    int RecordLeadInEnabled() const;  // 0 in sync mode 2
    void EnableRecordLeadIn(int on);
    int LoopRecordLeadInEnabled() const;  // 0 in sync mode 2
    void EnableLoopRecordLeadIn(int on) { SetOption(8, on); }
    int LoopRecordSameTrackEnabled() const { return Option(9); }
    void EnableLoopRecordSameTrack(int on) { SetOption(9, on); }
    int LoopRecordAutoMuteEnabled() const { return Option(10); }
    void EnableLoopRecordAutoMute(int on) { SetOption(10, on); }
    // The MIDI-writing switches count only while a MIDI file is written.
    int IgnoreTrackStates() const { return WritingOption(12); }
    void SetIgnoreTrackStates(int on) { SetOption(12, on); }
    int IgnoreFilters() const { return WritingOption(13); }
    void SetIgnoreFilters(int on) { SetOption(13, on); }
    int IgnoreFlowControl() const { return WritingOption(14); }
    void SetIgnoreFlowControl(int on) { SetOption(14, on); }
    int IgnorePrestart() const { return WritingOption(15); }
    void SetIgnorePrestart(int on) { SetOption(15, on); }
    int AutoStopEnabled() const;  // 0 in sync mode 2
    void EnableAutoStop(int on) { SetOption(19, on); }
    int AutoMuteEnabled() const { return Option(20); }
    void EnableAutoMute(int on) { SetOption(20, on); }
    // Whether a MIDI file being written for one track leaves this track out.
    int IgnoreTrack(int track) const;
    // The track a MIDI file is being written for, or kEveryTrack.
    int GetMidiFileTrack() const { return m_midiFileTrack; }
    uint32_t GetOptions() const { return m_options; }

    uint32_t GetState() const { return m_state; }
    // 1 when any bit of the mask is set in the state.
    int TestState(uint32_t mask) const { return (m_state & mask) ? 1 : 0; }

    // Transport.
    void Play();
    void Stop(int wait);
    void Record();
    void Pause();
    void Step();
    void Forward();
    // To the next marker (a marker, cue point or rehearsal text, or a flow mark) after the
    // location, or the end of the piece.
    void Next();
    // To the marker before the location, or 0; the first press while away from where the play
    // started goes back there.
    void Previous();
    // The locate: stops (unless step recording or step playing), clamps the time to the
    // piece, moves the play position, and sends the state of the music there.
    void SetLocation(const MCTime& time);
    // Sends the system-exclusive messages placed before time zero to every MIDI output.
    void SendPrestart();

    // A copy taken under the sequence lock: the callback moves it while playing.
    MCTime GetLocation();
    void ResetUnwrappedTimeOffset() { m_unwrapOffset = 0.0f; }
    MCTime GetStepPlayThreshold() const { return m_stepPlayThreshold; }
    // At least 0.001; kept as a preference.
    void SetStepPlayThreshold(const MCTime& threshold);
    // At least 0; kept as a preference.
    void SetPreRecordAllowance(const MCTime& allowance);
    MCTime GetPreRecordAllowance() const { return m_preRecordAllowance; }
    // Where the current play or recording started.
    MCTime GetStartPosition() const { return m_startPosition; }
    // The step time before it moves on by the step duration (snapped to a whole quarter note
    // within 0.0015); the location follows it.
    MCTime GetStepRecordTime();
    MCTime GetStepRecordDuration();
    // The step duration from the note or tuplet of the insertion mode.
    void SetStepRecordValue();
    // Consecutive presses of Previous.
    int GetPreviousPressCount() const { return m_previousPressCount; }
    // The voice (0 .. 7) that input goes to.
    int GetCurrentVoice() const { return m_currentVoice; }
    // The musical length jumped back over by repeats and loops since the play began.
    MCTime GetUnwrappedTimeOffset() const { return m_unwrapOffset; }
    int GetPerformTag() const { return m_performTag; }
    int GetRecordTag() const { return m_recordTag; }
    int GetRecordLoopCount() const { return m_recordLoopCount; }
    uint32_t GetFlowState() const { return m_flowState; }
    void SetFlowState(uint32_t state) { m_flowState = state; }
    // The window of the slice being filled; read under the sequence lock.
    const MCTime& GetCurrentWindowBegin() const { return m_windowBegin; }
    const MCTime& GetCurrentWindowEnd() const { return m_windowEnd; }

    ECPerformance* GetPerformance() const { return m_performance; }
    ECConductor* GetConductor() const { return m_conductor; }
    CSeqPlay& GetPlayer() { return m_player; }
    CSeqMetronome& GetMetronome() { return m_metronome; }
    CMidiRecorder& GetMidiRecorder() { return m_midiRecorder; }
    CWaveRecorder& GetWaveRecorder() { return m_waveRecorder; }
    CMidiScoreMgr& GetMidiScoreMgr() { return m_midiScoreMgr; }
    CWaveScoreMgr& GetWaveScoreMgr() { return m_waveScoreMgr; }
    CMeterLevelMgr& GetMeterLevelMgr() { return m_meterLevelMgr; }
    CHighlightMgr& GetHighlightMgr() { return m_highlightMgr; }
    CWavePrefetchMgr& GetWavePrefetchMgr() { return m_wavePrefetchMgr; }

    // Everything that reaches the document: transport codes, track, master and voice states,
    // finished command batches, a file opened or created.
    void OnUpdate(long code, SCBase* hint);
    // Mute, solo, record arm and mixer values of a track (3400 to 3411).
    void OnTrackState(long code, SCTrack* state);
    // Master volume (3500) and user speed (3501).
    void OnMasterState(long code, SCMaster* state);
    // After a batch of commands: what the edits make stale is computed again.
    void OnCommandFinish(long code, SCCommand* state);
    // Sets the flags from the ids of the changed elements, and collects the envelopes whose
    // points changed.
    static void CheckList(MCEventList& changed, MCEventList& envelopes, int& content, int& flow, int& wave,
                          int& timing, int& envelope);
    // Makes a freshly opened or created piece ready to play.
    void OnFileInit();

    // Loops, regions and step play.
    // With 0 and the loop region on, puts the hidden loop marks at the region's bounds (adding
    // or moving them); else takes them out.
    void SetLoopPoints(int remove);
    DCsqFlowControl* GetLoopStartData() const { return m_loopStartData; }
    void SetLoopStartData(DCsqFlowControl* data) { m_loopStartData = data; }
    DCsqFlowControl* GetLoopEndData() const { return m_loopEndData; }
    void SetLoopEndData(DCsqFlowControl* data) { m_loopEndData = data; }
    void GoToNextMarker(int forward);
    // Plays the next chord group (notes within the step-play threshold) at once.
    void StepPlay();
    void AdvancePlayPosition();

    // The data list.
    DCsqBase* GetHead() const { return m_head; }
    void SetHead(DCsqBase* data) { m_head = data; }
    DCsqBase* GetTail() const { return m_tail; }
    void SetTail(DCsqBase* data) { m_tail = data; }
    DCsqBase* GetRecordPosition() const { return m_recordPosition; }
    void SetRecordPosition(DCsqBase* data) { m_recordPosition = data; }
    DCsqBase* GetPlayPosition() const { return m_playPosition; }
    void SetPlayPosition(DCsqBase* data) { m_playPosition = data; }
    // Links an element's data into the list: after the data of earlier times, of higher
    // precedence at its own time, and of its own precedence inserted before it. An element
    // before time zero is moved to zero first, except a system message holding
    // system-exclusive bytes (the pre-start messages).
    void InsertData(DCsqBase* data);
    // Unlinks the data; a cursor on it moves to its previous node (its next at the head).
    void RemoveData(DCsqBase* data);
    // Where InsertData puts the data, searching from the insert cursor: 0 before the head,
    // 1 before the cursor, 2 after it, 3 after the tail. The cursor is left where it stopped.
    int FindInsertPosition(DCsqBase* data);
    // Removes and inserts again the data of an element, if it has data that the list holds.
    void CheckEventOrder(ECBase* element);
    // Builds the list afresh from every element of the performance. Data of one time and
    // precedence keep the order the list held them in (a loaded list: the stored order); the
    // data it did not hold follow them in the order collected.
    void CheckDataIntegrity();
    // The first node whose element's time is not negative, or null.
    DCsqBase* GetBeginning();

    // Edits keep the list in step through the performance's command handler, registered on
    // attach: before a batch runs (phase 0) the removals collect what leaves the list; while
    // it is processed (phase 1) each command reaches its handler below. 1 for phases 0 and 1,
    // -1 for any other.
    static int OnCommand(ECBase* target, int phase, void* commands, void* user);
    // Before a remove command runs: collects the elements whose data leaves the list.
    int PrepareRemove(CCRemove* command);
    // After a remove command ran: unlinks the collected data.
    int ProcessRemove(CCRemove* command);
    int ProcessRemoveTrack(CCRemoveTrack* command);
    // The key or meter snapshots a command marked for removal leave the list.
    int ProcessRemoveKey(CCRemoveKey* command);
    int ProcessRemoveMeter(CCRemoveMeter* command);
    // Added elements get their data through the score managers, which link it in; 0 when a
    // wave clip's data cannot be had.
    int ProcessAdd(CCAdd* command);
    // The added key or meter goes in unless the command took it out again; the neighbours it
    // replaced leave.
    int ProcessAddKey(CCAddKey* command);
    int ProcessAddMeter(CCAddMeter* command);
    // The part the two share, over the command's snapshots 0 to 2: each its mark (or null) and
    // whether the command takes that mark out.
    int ProcessAddedMark(const std::function<std::pair<ECBase*, bool>(int)>& snapshot);
    // Added staves and wave tracks get their data; 0 when one cannot.
    int ProcessAddTrack(CCAddTrack* command);
    // Links the data of an added staff or wave track to this sequence.
    void LinkTrackData(ECBase* track);
    // A wave clip whose voice/track names another wave track moves to it.
    int ProcessEdit(CCEdit* command);
    // Data edits change nothing in the list.
    int ProcessEditData(CCEditData* command);
    // Elements moved in time go back in, in their sorted order.
    int ProcessEditTime(CCEditTime* command);
    // The anchor groups whose times a duration edit moved are placed again.
    int ProcessEditDuration(CCEditDuration* command);
    // The points of the old graph leave, those of the new one go in.
    int ProcessEditGraph(CCEditGraph* command);

    // Time conversions. A time of a mode not converted from is left as it is.
    // Mode 1 (performance seconds), 2 (bar/pulse/tick), 3 (clock) or 4 (unwrapped) to mode 0.
    void NormalizeTime(MCTime& time);
    // Mode 0 or 2 to performance seconds (mode 1).
    void AbsoluteTime(MCTime& time);
    // The end of the last note (or flow mark, or wave clip) in the data list, plus 0.001.
    MCTime& GetLastNoteTime();
    // Lead-in measures times the measure length at the location; 0 without record lead-in.
    MCTime GetLeadInTime();
    // Mode 0 or 2 to unwrapped time (mode 4).
    void UnwrappedTime(MCTime& time);
    // Mode 0 or 2 to clock seconds along the tempo map (mode 3).
    void ClockTime(MCTime& time);
    // Mode 0, 1 or 3 to bar/pulse/tick (mode 2).
    void BarPulseTickTime(MCTime& time);
    // -1 before the current window, 1 at or after its end, 0 inside.
    int TimeInCurrentWindow(const MCTime* time);
    // Where play goes on after a flow mark the player reached: the play position moves to the
    // mark's target and, when the mark jumps, the timing follows the jump.
    void UpdatePosition(DCsqBase* flow);
    // The records of the window [from, to) in unwrapped time (thousandths of a quarter note),
    // repeats played out, merged into out in time order with note-offs first at a shared time.
    // 1 once the end of the music is reached (to is then moved to it). From 0 the repeats start
    // afresh. track: the one track to write, or 2046 for every track.
    int GetMidiFileEvents(MCTime& from, MCTime& to, int track, CWGEventList& out);
    // Takes back the records of GetMidiFileEvents once written, to be filled again.
    void RecycleMidiFileEvents(CWGEventList& written);

    // The performance callback given to the device manager; user is the sequence.
    static int PerformProc(uintptr_t user, int code, uint32_t a, uint32_t b);
    // One slice [begin, end) of performance time in ms.
    int PerformProc(int code, uint32_t begin, uint32_t end);
    // The record callback given to the device manager; user is the sequence.
    static int RecordProc(uintptr_t user, int tag, CWGEventData* event);
    int RecordProc(int tag, CWGEventData* event);

    // Timing factors: set at the first slice of a play, re-based without a jump in musical
    // time when the speed or the tempo changes; the events the player still holds are timed
    // again on the new timeline. A score speed of 0 or below is read from the tempo at the
    // location.
    void InitTimingFactors();
    void AdjustTimingFactors(float scoreSpeed);
    // One external MIDI clock, time-stamped in ms. Every eighth clock gives a tempo, which the
    // play follows, or which a recording with slave tempo recording on writes into the piece:
    // as its first tempo before an external start or continue, as a new tempo mark after one.
    void HandleSyncTiming(uint32_t clockMs);
    // Tells the views the tempo (3502); unless forced, not while four or more master states
    // are on their way, and the tempo told last only every kBPMRepeatEvery-th time: a steady
    // piece wakes the views once a second instead of at every slice.
    void UpdateBPMDisplay(const MCTime& time, int force);
    void UpdateBPMDisplay(float bpm, int force);
    static constexpr int kBPMRepeatEvery = 10;
    // Completes a stop or pause.
    void PerformanceIsStopped();

    void AddState(uint32_t bits);
    void ClearState(uint32_t bits) { m_state &= ~bits; }
    void ClearPlayState() { ClearState(kPlayStates); }
    void ClearRecordState() { ClearState(kRecordStates); }

    // The sequence lock, for code that reads the data list or the timing values.
    plat::RecursiveLock& GetLock() { return m_lock; }

    // Storing with the document (CSequenceStore.cpp). The performance, the conductor, the
    // head and tail of the data list as references, the user speed, the region switches, the
    // loop data, the lead-in count, the four region times and the two filter lists; documents
    // of versions 0 to 2 hold the four references and the user speed only. Loading goes into a
    // fresh sequence (through Archive::loadInto), refuses a data list that is not one chain of
    // the elements' own data from head to tail, and leaves the sequence attached to nothing
    // but its members; the filters it loads are the sequence's own.
    void Serialize(plat::Archive& archive) override;
    // Drops the filters a failed load took, without deleting them.
    void unlinkAfterFailedLoad() override;
    // Set when the sequence was loaded from a file, until it is detached.
    int LoadedFromFile() const { return Option(11); }

private:
    // Holds the performance lock (when attached) and then the sequence lock; when the
    // outermost hold of this thread ends, runs what was queued for the device manager.
    class Locked;
    friend class Locked;
    // Marks the thread on which this sequence's performance callback runs.
    class CallbackScope;
    // The external clocks of the group being measured.
    struct SyncCounters {
        int intervalSum = 0;
        int clockCount = 0;
        int previousIntervalSum = 0;
        uint32_t lastClockTime = 0;
        uint32_t groupStartTime = 0;
        bool haveLastClock = false;
    };

    int Option(int bit) const { return (m_options >> bit) & 1; }
    void SetOption(int bit, int on);
    int WritingOption(int bit) const { return TestState(stateMidiWriting) && Option(bit); }
    static int SyncMode();

    // Under the locks: queue work for the device manager, run when the outermost hold ends.
    void Defer(std::function<void()> work);
    void DeferPlayBuffer(CWGEventList& list);
    // Under the locks: registers the performance callback unless a registration under the
    // current perform tag is live.
    void RegisterPerformance();
    // Under the locks: forgets a registration (the callback answered 0, or it was removed).
    void ForgetRegistration(int tag);
    // Without the locks: removes every registration with the device manager, waiting for a
    // callback that runs.
    void LeaveWavegate();
    // Waits for the stop event, serving what is sent to this thread meanwhile.
    void WaitForRest();
    // Brings the transport to rest there and then; the notes still sounding end through the
    // devices' immediate path, and the callback's registration ends at its next slice.
    void StopAtOnce();
    // Applies a synchronous locate (1901) to the performance; the locks must not be held.
    void ApplyLocate(const MCTime& time);
    void ApplyState(SCBase* state);
    // Under the locks: the lead-in rule of sync mode 1.
    void SetSyncLeadIn();
    // Under the locks: the tempo at a time in beats per minute, or 0 without a tempo map.
    float TempoAt(const MCTime& time);
    ECTempoEnv* TempoMap() const;
    // The data, while a flow mark of the conductor staff still holds it; else null.
    DCsqFlowControl* LiveLoopData(DCsqFlowControl* data);
    // One loop mark: added at the bound when missing, moved there when elsewhere.
    DCsqFlowControl* PlaceLoopMark(DCsqFlowControl* data, int type, const MCTime& bound);
    void AnnounceRegion(int startCode, int endCode, bool on, const MCTime& start, const MCTime& end);
    // Removes the first node holding the filter.
    void RemoveFilter(std::vector<LCBase*>& list, LCBase* filter);
    LCBase* GetFilter(std::vector<LCBase*>& list, int type);
    // The slice's events from the player and the metronome, queued for the device manager.
    void GatherEvents(const MCTime& until, int finishing, int& playerDone, int& metronomeDone);
    // The end GetLastNoteTime takes from the data, given the end of the data before it in the
    // list (a wave clip's end counts only past that).
    float LastNoteTimeWith(const DCsqBase* data, float last);
    // Storing: throws ArchiveError unless the list from head to tail is one chain without a
    // cycle, each node the data of its own element.
    static void ValidateDataList(DCsqBase* head, DCsqBase* tail);
    // Storing: a filter list of the record; loaded filters are claimed and kept as the
    // sequence's own.
    static void StoreFilterList(plat::Archive& archive, const std::vector<LCBase*>& list);
    std::vector<LCBase*> LoadFilterList(plat::Archive& archive);
    // The data of an element for the list, or null.
    static DCsqBase* ListData(ECBase* element);
    static bool StandsInList(const DCsqBase* data);

    std::atomic<uint32_t> m_options{kDefaultOptions};
    std::atomic<uint32_t> m_state{kInitialState};
    int m_performTag = 0;
    std::atomic<int> m_recordTag{0};
    int m_stopRequested = 0;
    CSeqPlay m_player;
    CSeqMetronome m_metronome;
    CMidiRecorder m_midiRecorder;
    CWaveRecorder m_waveRecorder;
    CMidiScoreMgr m_midiScoreMgr;
    CWaveScoreMgr m_waveScoreMgr;
    CMeterLevelMgr m_meterLevelMgr;
    CHighlightMgr m_highlightMgr;
    CWavePrefetchMgr m_wavePrefetchMgr;
    std::vector<LCBase*> m_inputFilters;
    std::vector<LCBase*> m_outputFilters;
    ECPerformance* m_performance = nullptr;
    ECConductor* m_conductor = nullptr;
    DCsqBase* m_head = nullptr;
    DCsqBase* m_tail = nullptr;
    DCsqBase* m_recordPosition = nullptr;
    DCsqBase* m_playPosition = nullptr;
    DCsqFlowControl* m_loopStartData = nullptr;
    DCsqFlowControl* m_loopEndData = nullptr;
    // The filters a load made, which the sequence owns (the lists do not own theirs).
    std::vector<std::unique_ptr<LCBase, MCLoadClaims::Deleter>> m_loadedFilters;
    int m_leadInMeasures = 2;
    int m_recordLoopCount = 0;
    MCTime m_unwrapOffset;
    MCTime m_absoluteReference;
    MCTime m_rawWindowBegin;
    MCTime m_rawWindowEnd;
    MCTime m_normalizedReference;
    MCTime m_windowBegin;
    MCTime m_windowEnd;
    MCTime m_startPosition;
    MCTime m_lastNoteTime;
    MCTime m_location = MCTime::TimeNull();
    MCTime m_leadInTime;
    MCTime m_playRegionStart;
    MCTime m_playRegionEnd;
    MCTime m_recordRegionStart;
    MCTime m_recordRegionEnd;
    MCTime m_stepTime;
    MCTime m_stepDuration{1.0f};
    MCTime m_stepPlayThreshold{0.1f};
    MCTime m_preRecordAllowance{0.5f};
    // Written under the locks, read by the views at any time.
    std::atomic<float> m_userSpeed{1.0f};
    std::atomic<float> m_scoreSpeed{1.0f};
    std::atomic<float> m_speedFactor{1.0f};
    std::atomic<float> m_fastSpeed{4.0f};
    std::atomic<float> m_actualSpeed{1.0f};
    SyncCounters m_sync;
    // The tempo told the views last, and how often it was not told again since; under the lock.
    float m_toldBPM = -1.0f;
    int m_untoldRepeats = 0;
    std::atomic<float> m_masterGain{1.0f};
    MCEventList m_pendingRemovals;
    plat::Event m_stopEvent{true, true};
    int m_midiFileTrack = kEveryTrack;
    int m_inputMidiDevice = 0;
    int m_outputMidiDevice = 0;
    int m_inputWaveDevice = 0;
    int m_outputWaveDevice = 0;
    uint32_t m_flowState = 0;
    int m_previousPressCount = 0;
    int m_currentVoice = 0;
    // Performance time maps to musical time along the tempo map (clock seconds at the
    // normalized reference plus elapsed seconds times the user speed), so ramps and steps keep
    // one timeline; without a tempo map, and while fast-forwarding, it is linear at the actual
    // speed.
    bool m_followMap = false;
    // The user speed the timeline runs at since its last re-basing.
    float m_clockRate = 1.0f;

    plat::RecursiveLock m_lock{"sequence", plat::LockLevel::sequence};
    // Under m_lock.
    int m_lockDepth = 0;
    std::vector<std::function<void()>> m_deferred;
    CWGEventList m_outgoing;
    // The tag of the registration the callback answers for (0: none) and every registration
    // the device manager may still hold.
    int m_liveTag = 0;
    std::vector<int> m_registeredTags;
    std::atomic<std::thread::id> m_callbackThread{};
};
