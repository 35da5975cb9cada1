#pragma once

#include "interface/InterfaceExport.h"

#include "notabase/values/MCTime.h"
#include "wavegate/CWGEventData.h"

#include <cstdint>

class CSequence;
class DCsqKey;
class DCsqLyric;
class DCsqMeter;
class DCsqTempo;
class DCsqText;
class ECMeter;
class ECPerformance;
class FCMidi;
class FCMidiSysEx;
class MCMidiDocument;
class MCMidiFile;

// Saves a music document as a Standard MIDI File of format 0 or 1. It asks the sequence for
// the file's events window by window and encodes each into the track chunk being written; a
// chunk's length is written as 0 and patched once the chunk is done, so nothing is buffered.
class INTERFACE_API MCMidiWrite {
public:
    // The quarter notes of one window of events.
    static constexpr float kWindow = 5.0f;
    // The largest variable-length quantity and the longest tempo a tempo event holds.
    static constexpr long kMaxVarLength = 0x0FFFFFFF;
    static constexpr long kMaxTempo = 0xFFFFFF;

    MCMidiWrite() = default;
    MCMidiWrite(const MCMidiWrite&) = default;
    MCMidiWrite& operator=(const MCMidiWrite&) = default;

    // Non-zero when written; 0, with nothing written, when the format is not 0 or 1 or the
    // division is outside 1..32767. Exceptions of the file pass to the caller, with the
    // performance unlocked and the sequence out of its writing state.
    int SaveMidiFile(MCMidiFile& file, MCMidiDocument& doc, int format, int division);

protected:
    void WriteHeaderChunk();
    void WriteTrackChunk();
    void PatchTrackChunk();
    // Writes the records of one window; the list is left as it is.
    void WriteList(const CWGEventList& list);
    void WriteDeltaTime(const MCTime& time);
    void WriteVarLength(long value);
    void WriteEndOfTrack(const MCTime& time);
    void WriteMidiEvent(const MCTime& time, const FCMidi& message);
    void WriteSysExEvent(const MCTime& time, const FCMidiSysEx& message);
    void WriteTempoEvent(const MCTime& time, DCsqTempo* data);
    void WriteTempoEvent(const MCTime& time, float bpm);
    void WriteMeterEvent(const MCTime& time, DCsqMeter* data);
    void WriteMeterEvent(const MCTime& time, unsigned char numerator, unsigned char denominator);
    void WriteKeyEvent(const MCTime& time, DCsqKey* data);
    void WriteTextEvent(const MCTime& time, DCsqText* data);
    void WriteLyricEvent(const MCTime& time, DCsqLyric* data);
    // Flow marks have no place in a MIDI file.
    void WriteFlowEvent(const MCTime&, const void*) {}
    void CheckSysExPreStart();

    static uint16_t wSwap(uint16_t value) { return static_cast<uint16_t>(value >> 8 | value << 8); }
    static uint32_t dwSwap(uint32_t value) { return __builtin_bswap32(value); }

private:
    void Put(const void* bytes, size_t size);
    void PutByte(unsigned char byte) { Put(&byte, 1); }
    // A meta event's type, length and bytes.
    void PutMeta(unsigned char type, const void* bytes, size_t size);

    MCMidiFile* m_file = nullptr;
    MCMidiDocument* m_doc = nullptr;
    ECPerformance* m_performance = nullptr;
    CSequence* m_sequence = nullptr;
    int m_format = 0;
    int m_trackCount = 0;
    int m_division = 0;
    unsigned char m_runningStatus = 0;
    uint64_t m_chunkStart = 0;
    uint64_t m_chunkEnd = 0;
    uint64_t m_chunkLength = 0;
    int m_trackNumber = 0;
    long m_tickTotal = 0;
    int m_progressTotal = 0;
    MCTime m_lastTime;
    MCTime m_timeOffset;
    int m_offsetFlag = 0;
    ECMeter* m_lastMeter = nullptr;
};
