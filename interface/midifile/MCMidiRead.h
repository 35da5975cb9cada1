#pragma once

#include "interface/InterfaceExport.h"

#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"

#include <array>
#include <cstdint>
#include <string>

class CMidiScoreMgr;
class CSequence;
class ECPerformance;
class ECTempoEnv;
class MCMidiBuf;
class MCMidiDocument;
class MCMidiFile;

// Results of the chunk and event readers.
enum MIDIFILE_ERR : int {
    MIDIFILE_OK = 0,
    // The header declares no track chunks.
    MIDIFILE_NO_TRACKS = 1,
    // Fewer than 8 bytes where a chunk header is expected.
    MIDIFILE_SHORT = 3,
    // The first chunk is not "MThd".
    MIDIFILE_NOT_MIDI = 4,
    // The header chunk is short, or its division or format cannot be read.
    MIDIFILE_BAD_HEADER = 5,
    // No "MTrk" chunk where a track is expected.
    MIDIFILE_NO_TRACK_CHUNK = 6,
    // An event that is damaged or runs past its chunk: the chunk ends before it.
    MIDIFILE_DAMAGED = 7,
    // The file would make a score beyond the import limits.
    MIDIFILE_TOO_LARGE = 8,
};

// Reads a Standard MIDI File (formats 0, 1 and 2) into a music document: it parses the chunks
// and hands every event it understands to the sequence's score manager, which turns it into
// score elements. Every length, count and time in the file is checked against the bytes that
// are there and against the import limits, so a damaged file imports what it holds or is
// refused with a message, and never makes the reader read outside the file, loop or allocate
// beyond the file's size.
class INTERFACE_API MCMidiRead {
public:
    // Import limits: the latest event time, in quarter notes; the most bars the conductor may
    // be asked for; the most bars over all staves; the highest track number.
    static constexpr float kMaxQuarterNotes = 20000.0f;
    static constexpr double kMaxMeasures = 50000.0;
    static constexpr double kMaxStaffMeasures = 500000.0;
    static constexpr int kMaxTrack = 2045;

    MCMidiRead();
    MCMidiRead(const MCMidiRead&) = delete;
    MCMidiRead& operator=(const MCMidiRead&) = delete;

    // Non-zero when the file was read. A file that is no Standard MIDI File, or that is
    // refused, gives 0 with the file back at the position where the reader found it.
    int LoadMidiFile(MCMidiFile& file, MCMidiDocument& doc);

    // Why the last load gave 0, naming the file; empty after a load that succeeded.
    const std::string& GetErrorText() const { return m_error; }
    // What a load that succeeded could not import (a track cut short, a damaged event),
    // naming the file; empty when it read everything.
    const std::string& GetWarningText() const { return m_warning; }
    // The result of the chunk reader that ended the load.
    int GetResult() const { return m_result; }

protected:
    int ReadHeaderChunk();
    int ReadTrackChunk();
    int ReadTrackEvent(MCMidiBuf& buffer);
    int ReadMidiEvent(MCMidiBuf& buffer, unsigned char status, MCTime& time);
    int ReadMetaEvent(MCMidiBuf& buffer, MCTime& time);
    int ReadSysExEvent(MCMidiBuf& buffer, unsigned char status, MCTime& time);
    // Sequencer-specific events are not read.
    void ReadSeqSpecific(MCTime&, long, unsigned char*) {}
    void CalcMCTime(long& delta, MCTime& time);
    int GetTrack(unsigned char status, unsigned char data1);

    static uint16_t wSwap(uint16_t value) { return static_cast<uint16_t>(value >> 8 | value << 8); }
    static uint32_t dwSwap(uint32_t value) { return __builtin_bswap32(value); }

private:
    // Reads a chunk header: its identifier and length; false at the end of the file.
    bool ReadChunkHeader(char id[4], uint32_t& length);
    // 0 when the time lies within the limits; else MIDIFILE_TOO_LARGE with the cause.
    int CheckLimits(const MCTime& time);
    void Warn(const std::string& text);
    void Fail(int result, const std::string& cause);
    void PostProgress(int position);
    // Opens the tempo map's batch for the rest of the load: a file of many tempo changes
    // would otherwise recompute every mark's clock time for each one.
    void BatchTempoMarks();
    CMidiScoreMgr& ScoreMgr();

    MCMidiFile* m_file = nullptr;
    ECPerformance* m_performance = nullptr;
    CSequence* m_sequence = nullptr;
    // The piece's tempo map while the load holds its batch open.
    ECTempoEnv* m_tempoBatch = nullptr;
    int m_format = 0;
    int m_trackCount = 0;
    int m_division = 0;
    unsigned char m_runningStatus = 0;
    long m_tempo = 500000;
    static constexpr float kFileDefaultTempo = 120.0f;
    float m_bpm = kFileDefaultTempo;
    long m_tickCount = 0;
    int m_trackNumber = 0;
    int m_channelTrackCounter = 0;
    std::array<int, 16> m_channelTracks;
    int m_prefixTrack = -1;
    MCTime m_chunkOffset;

    int m_chunksRead = 0;
    int m_highestTrack = 0;
    float m_latestTime = 0.0f;
    float m_shortestMeasure = 4.0f;
    int m_result = 0;
    std::string m_error;
    std::string m_warning;
};
