#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/MCTime.h"
#include "wavegate/CWaveFileWrite.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>

class CSequence;
class CWGEventData;
class CWaveFileWrite;
class DCsqTrack;
class DCsqWaveTrack;
namespace plat {
class MessageLoop;
}

// The wave recorder of a sequence: each armed wave track records from the sequence's wave
// input into a temporary wave file; the audio that arrives during the record lead-in is left
// out, and at stop each file with sound in it is announced to the document (a wave-info state
// 3700 with the file, the track and the start time), each without sound deleted.
//
// Buffers arrive on the recording thread; arming, preparing and stopping run on the
// transport's thread. The entries are guarded by a lock of the recorder's own, held only to
// find an entry and write a buffer. Preparing and stopping run under the sequence's lock,
// which ranks below the device manager's: the devices are started, and the finished files
// closed and announced, by a task on the document's thread once that lock is released.
class SEQUENCER_API CWaveRecorder {
public:
    static constexpr int kWaveReady = 3700;
    static constexpr int kModifiedByRecording = 1306;

    CWaveRecorder() = default;
    ~CWaveRecorder();
    CWaveRecorder(const CWaveRecorder&) = delete;
    CWaveRecorder& operator=(const CWaveRecorder&) = delete;

    // Keeps the sequence and counts the wave inputs.
    void Attach(CSequence* sequence);
    // Disarms every track.
    void Detach();
    CSequence* GetSequence() const { return m_sequence; }
    int GetDeviceCount() const { return m_deviceCount; }

    // Arms a wave track on the sequence's wave input: 1 when armed (or already), 0 while
    // recording, for anything but a wave track, or when the input, the temporary file or its
    // writer cannot be had. An input serves one track: arming another moves it there.
    int AddTrack(DCsqTrack* track);
    // Disarms the track and deletes its file; not while recording.
    void RemoveTrack(DCsqTrack* track);
    // Whether the wave track of that number is armed.
    int IsRecordSet(int track) { return _IsRecordSet(track); }
    // The temporary file an armed track records into, or "".
    std::string GetFileName(const DCsqTrack* track);

    // Works out the lead-in each input skips and starts the inputs.
    void PrepareToRecord();
    // Finishes every file: announced when it holds sound, deleted when not.
    void Stop();
    void Pause() {}
    // One recorded buffer of an input.
    void RecordWaveData(unsigned device, CWGEventData* event);

    // The bytes an input leaves out at the start of the take.
    uint32_t GetSkipBytes(unsigned device);

protected:
    static bool _GetTempName(std::string& name);
    void _UpdateRecordConfig();
    int _IsRecordSet(int track);
    void _SetModified();

private:
    struct Entry {
        int device = 0;
        MCTime start;
        std::string fileName;
        DCsqWaveTrack* track = nullptr;
        std::unique_ptr<CWaveFileWrite> writer;
        // Each input skips its own lead-in.
        uint32_t skip = 0;
        uint32_t skipped = 0;
    };
    // Closes the entry's input; on the document's thread with no lock of the sequence held.
    static void CloseInput(int device);
    // Closes the file, then announces it (with sound) or deletes it (without).
    void Finish(Entry& entry);
    void RunOnHomeThread(std::function<void()> task);
    int TrackNumber(const DCsqTrack* track);

    CSequence* m_sequence = nullptr;
    int m_modifiedSent = 0;
    int m_deviceCount = 0;
    std::mutex m_lock;
    std::list<Entry> m_entries;
    plat::MessageLoop* m_homeLoop = nullptr;
    std::shared_ptr<int> m_alive;
};
