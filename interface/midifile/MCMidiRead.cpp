#include "interface/midifile/MCMidiRead.h"

#include "interface/midifile/MCMidiBuf.h"
#include "interface/midifile/MCMidiDocument.h"
#include "interface/midifile/MCMidiFile.h"
#include "interface/midifile/MCMidiText.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/states/SCStatus.h"
#include "notabase/values/FCMidiSysEx.h"
#include "platform/core/Strings.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/score/CMidiScoreMgr.h"
#include "sequencer/transport/CSequence.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {

constexpr int kConductor = 0;

// The data bytes a system common or real-time status takes.
int SystemDataBytes(unsigned char status)
{
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 1;
    case 0xF2:
        return 2;
    default:
        return 0;
    }
}

// Holds the piece for the whole load: file-loading mode, one notification for every command,
// the performance lock and the tempo map's batch, once the reader opened one; all are given
// back on every path, exceptions included, after the end of the progress is announced.
class LoadScope {
public:
    LoadScope(ECPerformance* performance, CMidiScoreMgr& scoreMgr, ECTempoEnv*& tempoBatch)
        : m_performance(performance), m_scoreMgr(scoreMgr), m_tempoBatch(tempoBatch)
    {
        m_scoreMgr.SetFileLoading(1);
        MCCommandMgr::BeginNotify(m_performance);
        m_performance->Lock();
    }
    ~LoadScope()
    {
        if (m_tempoBatch) {
            m_tempoBatch->EndBatch();
            m_tempoBatch = nullptr;
        }
        auto* end = new SCStatus(1804);
        end->SetSynchronous(1);
        end->Apply(m_performance);
        m_scoreMgr.SetFileLoading(0);
        // A note the file never ended keeps the length it has; a later recording must not
        // end it.
        m_scoreMgr.ClearPendingEvents();
        m_performance->Unlock();
        MCCommandMgr::EndNotify(m_performance);
    }
    LoadScope(const LoadScope&) = delete;
    LoadScope& operator=(const LoadScope&) = delete;

private:
    ECPerformance* m_performance;
    CMidiScoreMgr& m_scoreMgr;
    ECTempoEnv*& m_tempoBatch;
};

}  // namespace

MCMidiRead::MCMidiRead()
{
    m_channelTracks.fill(-1);
}

CMidiScoreMgr& MCMidiRead::ScoreMgr()
{
    return m_sequence->GetMidiScoreMgr();
}

void MCMidiRead::Fail(int result, const std::string& cause)
{
    m_result = result;
    if (m_error.empty())
        m_error = plat::format("\"%s\" cannot be read as a MIDI file: %s.", m_file->GetFileName().c_str(), cause.c_str());
}

void MCMidiRead::Warn(const std::string& text)
{
    if (!m_warning.empty())
        m_warning += "\n";
    m_warning += plat::format("\"%s\": %s.", m_file->GetFileName().c_str(), text.c_str());
}

int MCMidiRead::LoadMidiFile(MCMidiFile& file, MCMidiDocument& doc)
{
    m_file = &file;
    m_error.clear();
    m_warning.clear();
    m_result = MIDIFILE_OK;
    const uint64_t start = file.GetPosition();

    int result = ReadHeaderChunk();
    if (result == MIDIFILE_OK) {
        m_performance = doc.CreatePerformance(1);
        if (!m_performance) {
            Fail(MIDIFILE_BAD_HEADER, "no piece could be made for it");
            file.Seek(start);
            return 0;
        }
        m_sequence = &doc.GetSequence();
        m_sequence->Attach(m_performance);
        {
            LoadScope scope(m_performance, ScoreMgr(), m_tempoBatch);
            auto* begin = new SCStatus(1801, plat::format("Loading Type %d MIDI file...\n", m_format));
            begin->SetSynchronous(1);
            const uint64_t length = file.GetLength();
            begin->SetProgressRange(0, static_cast<int>(std::min<uint64_t>(length, 0x7FFFFFFF)));
            begin->Apply(m_performance);

            for (int chunk = 0; chunk < m_trackCount; ++chunk) {
                m_trackNumber = m_format == 1 ? chunk : chunk + 1;
                if (m_trackNumber > kMaxTrack) {
                    Fail(MIDIFILE_TOO_LARGE, plat::format("it has more than the %d tracks a piece can hold", kMaxTrack));
                    result = m_result;
                    break;
                }
                m_sequence->SetRecordPosition(m_sequence->GetHead());
                result = ReadTrackChunk();
                if (result == MIDIFILE_SHORT || result == MIDIFILE_NO_TRACK_CHUNK) {
                    // The file ends before the tracks its header declares.
                    if (m_chunksRead == 0) {
                        Fail(MIDIFILE_NO_TRACK_CHUNK, "it holds no track");
                        result = MIDIFILE_NO_TRACK_CHUNK;
                        break;
                    }
                    Warn(plat::format("it holds %d of the %d tracks its header declares", m_chunksRead, m_trackCount));
                    result = MIDIFILE_OK;
                    break;
                }
                if (result != MIDIFILE_OK)
                    break;
            }
            if (result == MIDIFILE_OK) {
                // A file that sets no tempo plays at 120 beats a minute; the piece says so, or
                // it would play at the model's own default.
                if (ECConductor* conductor = m_sequence->GetConductor(); conductor && !conductor->GetTempoAtTime(MCTime::TimeZero()))
                    ScoreMgr().AddTempoEvent(MCTime::TimeZero(), MCVoiceTrack(0, kConductor), kFileDefaultTempo, 1.0f);
                if (DCsqBase* tail = m_sequence->GetTail()) {
                    if (ECBase* last = tail->GetOwner(); last && last->GetTime())
                        if (ECConductor* conductor = m_sequence->GetConductor())
                            conductor->GetMeasure(0, *last->GetTime(), 1, 1);
                }
            }
        }
    }
    if (result != MIDIFILE_OK) {
        m_result = result;
        if (m_error.empty())
            Fail(result, "it is damaged");
        file.Seek(start);
        return 0;
    }
    doc.SetMidiFileStatus(file, m_format + 1);
    return 1;
}

bool MCMidiRead::ReadChunkHeader(char id[4], uint32_t& length)
{
    unsigned char header[8];
    if (m_file->Read(header, sizeof header) < sizeof header)
        return false;
    std::memcpy(id, header, 4);
    std::memcpy(&length, header + 4, 4);
    length = dwSwap(length);
    return true;
}

int MCMidiRead::ReadHeaderChunk()
{
    char id[4];
    uint32_t length = 0;
    if (!ReadChunkHeader(id, length)) {
        Fail(MIDIFILE_SHORT, "it is shorter than a chunk header");
        return MIDIFILE_SHORT;
    }
    if (std::memcmp(id, "MThd", 4) != 0) {
        Fail(MIDIFILE_NOT_MIDI, "it does not begin with a MIDI file header");
        return MIDIFILE_NOT_MIDI;
    }
    // Only the first six bytes count; the rest of a longer header is skipped unread.
    unsigned char fields[6];
    if (length < sizeof fields || m_file->Read(fields, sizeof fields) < sizeof fields) {
        Fail(MIDIFILE_BAD_HEADER, "its header chunk is too short");
        return MIDIFILE_BAD_HEADER;
    }
    const uint64_t rest = length - sizeof fields;
    const uint64_t position = m_file->GetPosition();
    const uint64_t fileLength = m_file->GetLength();
    if (rest > fileLength - std::min(position, fileLength)) {
        Fail(MIDIFILE_BAD_HEADER, "its header chunk runs past the end of the file");
        return MIDIFILE_BAD_HEADER;
    }
    m_file->Seek(position + rest);
    uint16_t words[3];
    std::memcpy(words, fields, sizeof words);
    m_format = wSwap(words[0]);
    m_trackCount = wSwap(words[1]);
    const uint16_t division = wSwap(words[2]);
    if (division & 0x8000) {
        Fail(MIDIFILE_BAD_HEADER, "its time-code division is not supported");
        return MIDIFILE_BAD_HEADER;
    }
    m_division = division;
    if (m_division == 0) {
        Fail(MIDIFILE_BAD_HEADER, "its division is 0");
        return MIDIFILE_BAD_HEADER;
    }
    if (m_format > 2) {
        Fail(MIDIFILE_BAD_HEADER, plat::format("its format %d is not one of 0, 1 and 2", m_format));
        return MIDIFILE_BAD_HEADER;
    }
    if (m_trackCount == 0) {
        Fail(MIDIFILE_NO_TRACKS, "its header declares no tracks");
        return MIDIFILE_NO_TRACKS;
    }
    return MIDIFILE_OK;
}

int MCMidiRead::ReadTrackChunk()
{
    char id[4];
    uint32_t length = 0;
    bool skipped = false;
    for (;;) {
        if (!ReadChunkHeader(id, length))
            return skipped ? MIDIFILE_NO_TRACK_CHUNK : MIDIFILE_SHORT;
        if (std::memcmp(id, "MTrk", 4) == 0)
            break;
        // A chunk of another kind is skipped, as MIDI files allow.
        skipped = true;
        const uint64_t position = m_file->GetPosition();
        const uint64_t fileLength = m_file->GetLength();
        const uint64_t left = fileLength - std::min(position, fileLength);
        m_file->Seek(length > left ? fileLength : position + length);
    }

    // The buffer never exceeds what the file holds, whatever the chunk claims.
    const uint64_t dataStart = m_file->GetPosition();
    const uint64_t fileLength = m_file->GetLength();
    const uint64_t available = fileLength - std::min(dataStart, fileLength);
    MCMidiBuf buffer(static_cast<unsigned long>(std::min<uint64_t>(length, available)));
    const size_t got = buffer.GetSize() ? m_file->Read(buffer.GetData(), buffer.GetSize()) : 0;
    buffer.Truncate(got);
    const bool cutShort = got < length;
    ++m_chunksRead;
    m_highestTrack = std::max(m_highestTrack, m_trackNumber);

    m_tickCount = 0;
    size_t threshold = 0;
    while (!buffer.AtEnd()) {
        const size_t eventStart = buffer.GetOffset();
        const int result = ReadTrackEvent(buffer);
        if (result == MIDIFILE_DAMAGED) {
            if (!cutShort)
                Warn(plat::format("track chunk %d is damaged at byte %zu of its %u; the events before it were imported",
                                  m_chunksRead, eventStart, length));
            break;
        }
        if (result != MIDIFILE_OK)
            return result;
        if (buffer.GetOffset() > threshold) {
            PostProgress(static_cast<int>(std::min<uint64_t>(dataStart + buffer.GetOffset(), 0x7FFFFFFF)));
            while (threshold < buffer.GetOffset())
                threshold += 100;
        }
    }
    if (cutShort)
        Warn(plat::format("track chunk %d is cut short (%zu of %u bytes); what it holds was imported", m_chunksRead,
                          got, length));

    long noDelta = 0;
    const long ticks = m_tickCount;
    MCTime end;
    CalcMCTime(noDelta, end);
    m_tickCount = ticks;
    m_chunkOffset = end;
    if (ECConductor* conductor = m_sequence->GetConductor())
        conductor->GetTrack(1, m_trackNumber, 1);
    return MIDIFILE_OK;
}

void MCMidiRead::BatchTempoMarks()
{
    if (m_tempoBatch)
        return;
    ECConductor* conductor = m_sequence->GetConductor();
    ECConductorStaff* staff = conductor ? conductor->GetConductorStaff() : nullptr;
    m_tempoBatch = staff ? staff->GetTempoEnv() : nullptr;
    if (m_tempoBatch)
        m_tempoBatch->BeginBatch();
}

void MCMidiRead::PostProgress(int position)
{
    auto* step = new SCStatus(1802);
    step->SetSynchronous(1);
    step->SetProgressStep(position);
    step->Apply(m_performance);
}

int MCMidiRead::CheckLimits(const MCTime& time)
{
    const float at = time.GetSeconds();
    if (!(at <= kMaxQuarterNotes)) {
        Fail(MIDIFILE_TOO_LARGE, plat::format("an event lies more than %.0f quarter notes from the start",
                                              static_cast<double>(kMaxQuarterNotes)));
        return MIDIFILE_TOO_LARGE;
    }
    m_latestTime = std::max(m_latestTime, at);
    const double measures = std::ceil(static_cast<double>(m_latestTime) / m_shortestMeasure) + 1.0;
    const int staves = std::max(m_highestTrack, m_channelTrackCounter) + 1;
    if (measures > kMaxMeasures || measures * staves > kMaxStaffMeasures) {
        Fail(MIDIFILE_TOO_LARGE, plat::format("its %d tracks would need %.0f bars each", staves, measures));
        return MIDIFILE_TOO_LARGE;
    }
    return MIDIFILE_OK;
}

int MCMidiRead::ReadTrackEvent(MCMidiBuf& buffer)
{
    std::optional<long> delta = buffer.ReadVariLength();
    if (!delta)
        return MIDIFILE_DAMAGED;
    MCTime time;
    CalcMCTime(*delta, time);
    if (m_format == 2)
        time += m_chunkOffset;
    if (const int result = CheckLimits(time))
        return result;
    const std::optional<unsigned char> status = buffer.ReadByte();
    if (!status)
        return MIDIFILE_DAMAGED;
    switch (*status) {
    case 0xF0:
    case 0xF7:
        return ReadSysExEvent(buffer, *status, time);
    case 0xFF:
        return ReadMetaEvent(buffer, time);
    default:
        return ReadMidiEvent(buffer, *status, time);
    }
}

void MCMidiRead::CalcMCTime(long& delta, MCTime& time)
{
    if (m_division == 0)
        return;
    m_tickCount += delta;
    time.SetSeconds(static_cast<float>(static_cast<double>(m_tickCount) / m_division));
}

int MCMidiRead::GetTrack(unsigned char status, unsigned char)
{
    if (m_format == 1)
        return m_trackNumber == 0 && status >= 0x80 && status <= 0xEF ? 1 : m_trackNumber;
    const int channel = status & 0x0F;
    if (m_channelTracks[static_cast<size_t>(channel)] < 0)
        m_channelTracks[static_cast<size_t>(channel)] = ++m_channelTrackCounter;
    return m_channelTracks[static_cast<size_t>(channel)];
}

int MCMidiRead::ReadMidiEvent(MCMidiBuf& buffer, unsigned char byte, MCTime& time)
{
    m_prefixTrack = -1;
    unsigned char status = byte;
    unsigned char data1 = 0;
    unsigned char data2 = 0;
    if (byte >= 0xF0) {
        // System common and real-time messages take their own lengths and leave the running
        // status alone; they stand on the conductor track, as system-exclusive messages do.
        const int count = SystemDataBytes(byte);
        const unsigned char* data = buffer.ReadByteArray(static_cast<unsigned long>(count));
        if (!data)
            return MIDIFILE_DAMAGED;
        for (int i = 0; i < count; ++i) {
            if (data[i] & 0x80)
                return MIDIFILE_DAMAGED;
        }
        data1 = count > 0 ? data[0] : 0;
        data2 = count > 1 ? data[1] : 0;
        const FCMidi message(static_cast<MIDIWORD>(status) | static_cast<MIDIWORD>(data1) << 8 |
                             static_cast<MIDIWORD>(data2) << 16);
        ScoreMgr().AddMidiEvent(time, MCVoiceTrack(0, kConductor), message, 0, MCTime::TimeNull());
        return MIDIFILE_OK;
    }
    int needed = 2;
    if (byte < 0x80) {
        // A data byte under running status; without a status before it the event is damaged.
        if (m_runningStatus == 0)
            return MIDIFILE_DAMAGED;
        status = m_runningStatus;
        data1 = byte;
        needed = 1;
    } else {
        m_runningStatus = byte;
    }
    const bool oneData = status >= 0xC0 && status <= 0xDF;
    if (oneData)
        --needed;
    const unsigned char* data = buffer.ReadByteArray(static_cast<unsigned long>(needed));
    if (!data)
        return MIDIFILE_DAMAGED;
    if (byte >= 0x80) {
        data1 = data[0];
        data2 = oneData ? 0 : data[1];
    } else if (!oneData) {
        data2 = data[0];
    }
    if ((data1 | data2) & 0x80)
        return MIDIFILE_DAMAGED;
    const FCMidi message(static_cast<MIDIWORD>(status) | static_cast<MIDIWORD>(data1) << 8 |
                         static_cast<MIDIWORD>(data2) << 16);
    const int track = GetTrack(status, data1);
    if (const int result = CheckLimits(time))
        return result;
    ScoreMgr().AddMidiEvent(time, MCVoiceTrack(0, track & 0x7FF), message, 0, MCTime::TimeNull());
    return MIDIFILE_OK;
}

int MCMidiRead::ReadSysExEvent(MCMidiBuf& buffer, unsigned char status, MCTime& time)
{
    const std::optional<long> length = buffer.ReadVariLength();
    if (!length)
        return MIDIFILE_DAMAGED;
    const unsigned char* data = buffer.ReadByteArray(static_cast<unsigned long>(*length));
    if (!data)
        return MIDIFILE_DAMAGED;
    FCMidiSysEx message;
    if (status == 0xF0) {
        auto bytes = std::make_unique<unsigned char[]>(static_cast<size_t>(*length) + 1);
        bytes[0] = 0xF0;
        std::memcpy(bytes.get() + 1, data, static_cast<size_t>(*length));
        message.SetSysExBuf(std::move(bytes), static_cast<unsigned int>(*length + 1));
    } else {
        // An escape with nothing in it carries no message.
        if (*length == 0)
            return MIDIFILE_OK;
        message.SetSysExBuf(data, static_cast<unsigned int>(*length));
    }
    ScoreMgr().AddMidiEvent(time, MCVoiceTrack(0, kConductor), message, 0, MCTime::TimeNull());
    return MIDIFILE_OK;
}

int MCMidiRead::ReadMetaEvent(MCMidiBuf& buffer, MCTime& time)
{
    const std::optional<unsigned char> type = buffer.ReadByte();
    if (!type)
        return MIDIFILE_DAMAGED;
    const std::optional<long> length = buffer.ReadVariLength();
    if (!length)
        return MIDIFILE_DAMAGED;
    const unsigned char* data = buffer.ReadByteArray(static_cast<unsigned long>(*length));
    if (!data)
        return MIDIFILE_DAMAGED;
    const long size = *length;
    const int prefixTrack = m_prefixTrack != -1 ? m_prefixTrack : m_trackNumber;
    CMidiScoreMgr& score = ScoreMgr();
    const auto text = [&] {
        return MCMidiText::FromFile(std::string_view(reinterpret_cast<const char*>(data), static_cast<size_t>(size)));
    };
    const auto addText = [&](int track, int metaType) {
        const std::string utf8 = text();
        score.AddTextEvent(time, MCVoiceTrack(0, track & 0x7FF), reinterpret_cast<const unsigned char*>(utf8.data()),
                           static_cast<long>(utf8.size()), metaType);
    };
    // Meta events whose fixed fields the event does not hold are skipped.
    switch (*type) {
    case 0x00:
        if (m_tickCount == 0 && size >= 2)
            score.AddSequenceNumber(time, MCVoiceTrack(0, kConductor), data[0] << 8 | data[1]);
        break;
    case 0x01:
    case 0x04:
    case 0x08:
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x0E:
    case 0x0F:
        addText(prefixTrack, *type);
        break;
    case 0x02:
    case 0x06:
    case 0x07:
        addText(kConductor, *type);
        break;
    case 0x03:
        addText(m_format == 1 && m_trackNumber != 0 ? prefixTrack : kConductor, 3);
        break;
    case 0x05: {
        const std::string utf8 = text();
        score.AddLyricEvent(time, MCVoiceTrack(0, prefixTrack & 0x7FF), reinterpret_cast<const unsigned char*>(utf8.data()),
                            static_cast<long>(utf8.size()));
        break;
    }
    case 0x20:
        // Only the sixteen channels name a track.
        m_prefixTrack = size >= 1 && data[0] < 16 ? m_channelTracks[data[0]] : -1;
        break;
    case 0x2F: {
        MCTime end(std::max(0.0f, time.GetSeconds() - 0.00001f));
        score.CapMeasures(end);
        break;
    }
    case 0x51: {
        if (size < 3)
            break;
        m_tempo = data[0] << 16 | data[1] << 8 | data[2];
        if (m_tempo == 0)
            m_tempo = 1;
        m_bpm = static_cast<float>(1000000.0 / static_cast<double>(m_tempo) * 60.0);
        // Until its first tempo a file plays at 120 beats a minute. The piece's first tempo
        // mark always stands at its start, so a file whose first tempo comes later gets
        // that default as a mark of its own first.
        if (ECConductor* conductor = m_sequence->GetConductor();
            conductor && time > MCTime::TimeZero() && !conductor->GetTempoAtTime(time))
            score.AddTempoEvent(MCTime::TimeZero(), MCVoiceTrack(0, kConductor), kFileDefaultTempo, 1.0f);
        BatchTempoMarks();
        score.AddTempoEvent(time, MCVoiceTrack(0, kConductor), m_bpm, 1.0f);
        break;
    }
    case 0x58:
        if (size >= 2 && data[1] <= 8 && data[0] > 0) {
            // A shorter bar rebars the piece: the bars it would take are counted first.
            const int denominator = 1 << data[1];
            const float previous = m_shortestMeasure;
            m_shortestMeasure = std::min(m_shortestMeasure, 4.0f * data[0] / static_cast<float>(denominator));
            if (const int result = CheckLimits(time))
                return result;
            if (!score.AddMeterEvent(time, MCVoiceTrack(0, kConductor), data[0], denominator))
                m_shortestMeasure = previous;
        }
        break;
    case 0x59: {
        if (size < 2)
            break;
        const int sf = static_cast<signed char>(data[0]);
        // A key has at most seven sharps or flats, and a major (0) or minor (1) mode.
        if (sf < -7 || sf > 7 || data[1] > 1 || prefixTrack == kConductor)
            break;
        score.AddKeySignature(time, MCVoiceTrack(0, prefixTrack & 0x7FF), static_cast<unsigned char>(sf > 0 ? sf : 0),
                              static_cast<unsigned char>(sf < 0 ? -sf : 0), data[1]);
        break;
    }
    default:
        // Time-code offsets, sequencer-specific and unknown events are skipped.
        break;
    }
    return MIDIFILE_OK;
}
