#include "interface/midifile/MCMidiWrite.h"

#include "interface/midifile/MCMidiDocument.h"
#include "interface/midifile/MCMidiFile.h"
#include "interface/midifile/MCMidiText.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECLyric.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECKey.h"
#include "notabase/states/SCStatus.h"
#include "notabase/values/FCMidiSysEx.h"
#include "platform/core/Strings.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/data/DCsqKey.h"
#include "sequencer/data/DCsqLyric.h"
#include "sequencer/data/DCsqMeter.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/data/DCsqTempo.h"
#include "sequencer/data/DCsqText.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/transport/CSequence.h"
#include "sequencer/values/MCVoiceMap.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Holds the performance lock and the sequence's writing state for one save, and gives both
// back on every path.
class SaveScope {
public:
    SaveScope(ECPerformance* performance, CSequence* sequence) : m_performance(performance), m_sequence(sequence)
    {
        m_performance->Lock();
        m_sequence->SetMidiWriting(1);
    }
    ~SaveScope()
    {
        m_sequence->SetMidiWriting(0);
        m_performance->Unlock();
    }
    SaveScope(const SaveScope&) = delete;
    SaveScope& operator=(const SaveScope&) = delete;

private:
    ECPerformance* m_performance;
    CSequence* m_sequence;
};

bool TrackWritten(CSequence* sequence, int track)
{
    if (track == 0 || sequence->IgnoreTrackStates())
        return true;
    const DCsqTrack* data = DCsqTrack::GetTrackData(static_cast<unsigned>(track), 1, sequence);
    return data && data->IsActive();
}

}  // namespace

int MCMidiWrite::SaveMidiFile(MCMidiFile& file, MCMidiDocument& doc, int format, int division)
{
    m_performance = doc.GetPerformance();
    m_sequence = &doc.GetSequence();
    if ((format != 0 && format != 1) || division < 1 || division > 32767 || !m_performance)
        return 0;
    m_file = &file;
    m_doc = &doc;
    {
        SaveScope scope(m_performance, m_sequence);
        m_format = format;
        m_division = division;
        ECConductor* conductor = m_sequence->GetConductor();
        const int highest = conductor ? std::max(0, conductor->GetMaxTrackNumber(1)) : 0;
        if (format == 0) {
            m_trackCount = 1;
        } else {
            m_trackCount = 1;
            for (int track = 1; track <= highest; ++track)
                m_trackCount += TrackWritten(m_sequence, track) ? 1 : 0;
        }

        auto* begin = new SCStatus(1801, plat::format("Saving Type %d MIDI file...", format));
        begin->SetSynchronous(1);
        m_progressTotal = conductor ? static_cast<int>(conductor->GetMaxMeasureEndTime().GetMSec() / 100) : 0;
        begin->SetProgressRange(0, m_progressTotal);
        begin->Apply(m_performance);

        WriteHeaderChunk();
        const int last = format == 1 ? highest : 0;
        for (m_trackNumber = 0; m_trackNumber <= last; ++m_trackNumber) {
            if (!TrackWritten(m_sequence, m_trackNumber))
                continue;
            WriteTrackChunk();
            PatchTrackChunk();
        }

        auto* end = new SCStatus(1804);
        end->SetSynchronous(1);
        end->Apply(m_performance);
        m_sequence->SetPlayPosition(m_sequence->GetHead());
    }
    doc.SetMidiFileStatus(file, format + 1);
    return 1;
}

void MCMidiWrite::Put(const void* bytes, size_t size)
{
    m_file->Write(bytes, size);
}

void MCMidiWrite::WriteHeaderChunk()
{
    unsigned char header[14] = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    const uint16_t words[3] = {wSwap(static_cast<uint16_t>(m_format)), wSwap(static_cast<uint16_t>(m_trackCount)),
                               wSwap(static_cast<uint16_t>(m_division))};
    std::memcpy(header + 8, words, sizeof words);
    Put(header, sizeof header);
}

void MCMidiWrite::WriteTrackChunk()
{
    m_lastTime = 0.0f;
    m_tickTotal = 0;
    m_runningStatus = 0;
    m_lastMeter = nullptr;
    m_chunkStart = m_file->GetPosition();
    const unsigned char header[8] = {'M', 'T', 'r', 'k', 0, 0, 0, 0};
    Put(header, sizeof header);

    // Data before time zero (the pre-start) is not taken from the list here.
    m_sequence->SetPlayPosition(m_sequence->GetBeginning());
    const int selector = m_format == 1 ? m_trackNumber : CSequence::kEveryTrack;
    if (m_trackNumber == 0)
        CheckSysExPreStart();

    MCTime from(0.0f);
    MCTime to(0.0f);
    from.SetMode(MCTime::unwrapped);
    to.SetMode(MCTime::unwrapped);
    int done = 0;
    CWGEventList list;
    do {
        from = to;
        to = MCTime(from.GetSeconds() + kWindow);
        to.SetMode(MCTime::unwrapped);
        done = m_doc->GetMidiFileEvents(from, to, selector, list);
        WriteList(list);
        // The records go back to be filled again by the next window.
        m_doc->RecycleMidiFileEvents(list);
    } while (!done);

    // The last window ends where the piece does (repeats played out), not a window later.
    MCTime endTime(to.GetSeconds());
    if (ECConductor* conductor = m_sequence->GetConductor())
        endTime = std::max(endTime.GetSeconds(), conductor->GetMaxMeasureEndTime().GetSeconds());
    MCTime lastWritten = m_lastTime;
    if (m_offsetFlag)
        lastWritten -= m_timeOffset;
    if (lastWritten > endTime)
        endTime = lastWritten;
    WriteEndOfTrack(endTime);
    m_chunkEnd = m_file->GetPosition();
    m_chunkLength = m_chunkEnd - m_chunkStart;
}

void MCMidiWrite::PatchTrackChunk()
{
    m_chunkLength -= 8;
    m_file->Seek(m_chunkStart);
    unsigned char header[8] = {'M', 'T', 'r', 'k'};
    const uint32_t length = dwSwap(static_cast<uint32_t>(std::min<uint64_t>(m_chunkLength, 0xFFFFFFFF)));
    std::memcpy(header + 4, &length, sizeof length);
    Put(header, sizeof header);
    m_file->Seek(m_chunkEnd);
}

void MCMidiWrite::WriteList(const CWGEventList& list)
{
    for (const auto& record : list) {
        if (!record)
            continue;
        MCTime time;
        time.SetMSec(static_cast<long>(record->time));
        switch (record->type) {
        case CWGEventData::WG_EVENT_MIDI:
            WriteMidiEvent(time, FCMidi(static_cast<MIDIWORD>(record->data)));
            break;
        case CWGEventData::WG_EVENT_SYSEX: {
            const FCMidiSysEx message(record->GetSysExData(), static_cast<unsigned int>(record->length));
            WriteSysExEvent(time, message);
            break;
        }
        case CWGEventData::WG_EVENT_FILEMETA: {
            auto* data = reinterpret_cast<DCsqBase*>(record->data);
            if (!data)
                break;
            switch (data->GetClassType()) {
            case SeqClassType::Key:
                WriteKeyEvent(time, static_cast<DCsqKey*>(data));
                break;
            case SeqClassType::Lyric:
                WriteLyricEvent(time, static_cast<DCsqLyric*>(data));
                break;
            case SeqClassType::Meter:
                WriteMeterEvent(time, static_cast<DCsqMeter*>(data));
                break;
            case SeqClassType::Tempo:
                // The tempo marks the sequence makes for a file are its own: it keeps them
                // until the file is written, so the record holds no reference to give back.
                WriteTempoEvent(time, static_cast<DCsqTempo*>(data));
                break;
            case SeqClassType::Text:
                WriteTextEvent(time, static_cast<DCsqText*>(data));
                break;
            default:
                break;
            }
            break;
        }
        default:
            break;
        }
    }
}

void MCMidiWrite::WriteDeltaTime(const MCTime& time)
{
    MCTime at = time;
    if (m_offsetFlag)
        at += m_timeOffset;
    MCTime delta(0.0f);
    if (at.GetMode() != MCTime::barPulseTick && m_lastTime.GetMode() != MCTime::barPulseTick)
        delta = MCTime(at.GetSeconds() - m_lastTime.GetSeconds());
    m_lastTime = at;
    if (delta < MCTime::TimeZero())
        delta = 0.0f;
    long ticks = delta.GetTicks(m_division);
    m_tickTotal += ticks;
    // The deltas follow each event's absolute tick, so rounding does not add up.
    const long drift = at.GetTicks(m_division) - m_tickTotal;
    if (drift != 0) {
        ticks += drift;
        if (ticks >= 0)
            m_tickTotal += drift;
        else
            ticks = 0;
    }
    if (ticks > kMaxVarLength) {
        m_tickTotal -= ticks - kMaxVarLength;
        ticks = kMaxVarLength;
    }
    WriteVarLength(ticks);
}

void MCMidiWrite::WriteVarLength(long value)
{
    value = std::clamp(value, 0L, kMaxVarLength);
    unsigned char bytes[4];
    int count = 0;
    bytes[3] = static_cast<unsigned char>(value & 0x7F);
    count = 1;
    value >>= 7;
    while (value > 0 && count < 4) {
        bytes[3 - count] = static_cast<unsigned char>(0x80 | (value & 0x7F));
        value >>= 7;
        ++count;
    }
    Put(bytes + 4 - count, static_cast<size_t>(count));
}

void MCMidiWrite::PutMeta(unsigned char type, const void* bytes, size_t size)
{
    const unsigned char head[2] = {0xFF, type};
    Put(head, sizeof head);
    WriteVarLength(static_cast<long>(std::min<size_t>(size, kMaxVarLength)));
    Put(bytes, std::min<size_t>(size, kMaxVarLength));
    // Meta events end running status, as the file format says.
    m_runningStatus = 0;
}

void MCMidiWrite::WriteEndOfTrack(const MCTime& time)
{
    WriteDeltaTime(time);
    PutMeta(0x2F, nullptr, 0);
}

void MCMidiWrite::WriteMidiEvent(const MCTime& time, const FCMidi& message)
{
    const unsigned char status = message.GetStatusByte();
    // A status byte is what a message begins with; anything else is no message to write.
    if (!(status & 0x80))
        return;
    const bool channel = status < 0xF0;
    // F0 and F7 only open and close a system-exclusive message, which comes as one of its own.
    if (status == 0xF0 || status == 0xF7)
        return;
    int length = 3;
    if (channel) {
        if (message.GetStatusMSB() == 0xC0 || message.GetStatusMSB() == 0xD0)
            length = 2;
    } else {
        length = status == 0xF1 || status == 0xF3 ? 2 : status == 0xF2 ? 3 : 1;
    }
    const unsigned char bytes[3] = {status, static_cast<unsigned char>(message.GetDataByte1() & 0x7F),
                                    static_cast<unsigned char>(message.GetDataByte2() & 0x7F)};
    WriteDeltaTime(time);
    if (!channel) {
        // A file holds system common and real-time messages only inside an escape (F7, the
        // length, the bytes): bare, a reader would take their status for an event of the file.
        PutByte(0xF7);
        WriteVarLength(length);
        Put(bytes, static_cast<size_t>(length));
        m_runningStatus = 0;
        return;
    }
    if (status == m_runningStatus) {
        Put(bytes + 1, static_cast<size_t>(length - 1));
        return;
    }
    Put(bytes, static_cast<size_t>(length));
    m_runningStatus = status;
}

void MCMidiWrite::WriteSysExEvent(const MCTime& time, const FCMidiSysEx& message)
{
    const unsigned int length = message.GetSysExBufLength();
    const unsigned char* bytes = message.GetSysExBuf();
    if (!bytes || length == 0)
        return;
    WriteDeltaTime(time);
    if (bytes[0] == 0xF0) {
        PutByte(0xF0);
        WriteVarLength(static_cast<long>(length - 1));
        Put(bytes + 1, length - 1);
    } else {
        // Bytes that do not begin a message (an escape read from a file) go out as an escape.
        PutByte(0xF7);
        WriteVarLength(static_cast<long>(length));
        Put(bytes, length);
    }
    m_runningStatus = 0;
}

void MCMidiWrite::WriteTempoEvent(const MCTime& time, DCsqTempo* data)
{
    auto* tempo = data ? plat::dynamicDowncast<ECTempo>(data->GetOwner()) : nullptr;
    if (!tempo)
        return;
    WriteTempoEvent(time, tempo->GetTempo(1.0f));
}

void MCMidiWrite::WriteTempoEvent(const MCTime& time, float bpm)
{
    WriteDeltaTime(time);
    if (!(bpm > 0.0f))
        bpm = 1.0f;
    // A tempo too slow for three bytes is held at the slowest the event can say.
    const double micro = 1000000.0 / static_cast<double>(bpm) * 60.0;
    const long value = static_cast<long>(std::clamp(micro, 1.0, static_cast<double>(kMaxTempo)));
    const unsigned char bytes[3] = {static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value)};
    PutMeta(0x51, bytes, sizeof bytes);
}

void MCMidiWrite::WriteMeterEvent(const MCTime& time, DCsqMeter* data)
{
    auto* meter = data ? plat::dynamicDowncast<ECMeter>(data->GetOwner()) : nullptr;
    if (!meter)
        return;
    if (m_lastMeter && *m_lastMeter == *meter)
        return;
    m_lastMeter = meter;
    WriteMeterEvent(time, meter->GetNumerator(), meter->GetDenominator());
}

void MCMidiWrite::WriteMeterEvent(const MCTime& time, unsigned char numerator, unsigned char denominator)
{
    WriteDeltaTime(time);
    unsigned char exponent = 0;
    for (unsigned char e = 0; e < 8; ++e) {
        if (denominator == (1u << e))
            exponent = e;
    }
    const unsigned char bytes[4] = {numerator, exponent, 24, 8};
    PutMeta(0x58, bytes, sizeof bytes);
}

void MCMidiWrite::WriteKeyEvent(const MCTime& time, DCsqKey* data)
{
    auto* key = data ? plat::dynamicDowncast<ECKey>(data->GetOwner()) : nullptr;
    if (!key)
        return;
    WriteDeltaTime(time);
    const int sf = key->GetNumSharps() > 0 ? key->GetNumSharps() : key->GetNumFlats() > 0 ? -key->GetNumFlats() : 0;
    const unsigned char bytes[2] = {static_cast<unsigned char>(static_cast<signed char>(sf)),
                                    static_cast<unsigned char>(key->GetMode())};
    PutMeta(0x59, bytes, sizeof bytes);
}

void MCMidiWrite::WriteLyricEvent(const MCTime& time, DCsqLyric* data)
{
    auto* lyric = data ? plat::dynamicDowncast<ECLyric>(data->GetOwner()) : nullptr;
    if (!lyric || lyric->GetText().empty())
        return;
    WriteDeltaTime(time);
    const std::string bytes = MCMidiText::ToFile(lyric->GetText());
    PutMeta(0x05, bytes.data(), bytes.size());
}

void MCMidiWrite::WriteTextEvent(const MCTime& time, DCsqText* data)
{
    auto* text = data ? plat::dynamicDowncast<ECText>(data->GetOwner()) : nullptr;
    if (!text || text->GetText().empty())
        return;
    WriteDeltaTime(time);
    unsigned char type = 0x01;
    switch (text->GetTextType()) {
    case 1:
        type = 0x02;
        break;
    case 2:
    case 8:
        type = 0x03;
        break;
    case 3:
        if (m_format == 1) {
            type = 0x03;
            break;
        }
        type = 0x04;
        if (DCsqTrack* track = DCsqTrack::GetTrackData(text, 1, m_sequence)) {
            if (MCVoiceMap* map = track->GetVoiceMap(0)) {
                const unsigned char channel = static_cast<unsigned char>(map->GetChannel() & 0x0F);
                PutMeta(0x20, &channel, 1);
                WriteVarLength(0);
            }
        }
        break;
    case 4:
        type = 0x04;
        break;
    case 5:
    case 6:
        type = 0x07;
        break;
    case 14:
    case 15:
        type = 0x06;
        break;
    default:
        type = 0x01;
        break;
    }
    const std::string bytes = MCMidiText::ToFile(text->GetText());
    PutMeta(type, bytes.data(), bytes.size());
}

void MCMidiWrite::CheckSysExPreStart()
{
    ECConductor* conductor = m_sequence->GetConductor();
    ECConductorStaff* staff = conductor ? conductor->GetConductorStaff() : nullptr;
    MCEventList* children = staff ? staff->GetChildren() : nullptr;
    if (!children)
        return;
    // The system-exclusive messages placed before time zero, with bytes to send, in order.
    std::vector<const FCMidiSysEx*> messages;
    for (ECBase* child : *children) {
        if (child->GetEventId() != EventId::SystemMessage || !child->GetTime())
            continue;
        const MCTime& at = *child->GetTime();
        if (!(at > MCTime::TimeNull()) || !(at < MCTime::TimeZero()))
            continue;
        const auto* data = plat::dynamicDowncast<DCsqSysMsg>(child->GetData(0, 0));
        if (data && data->GetSysExData().HasData())
            messages.push_back(&data->GetSysExData());
    }
    if (messages.empty())
        return;
    m_timeOffset = 0.0f;
    m_offsetFlag = 1;
    // Each message takes a quarter note at 120 beats per minute, in bars of up to twelve.
    size_t next = 0;
    while (next < messages.size()) {
        const size_t n = std::min<size_t>(messages.size() - next, 12);
        WriteMeterEvent(MCTime(0.0f), static_cast<unsigned char>(n), 4);
        WriteTempoEvent(MCTime(0.0f), 120.0f);
        for (size_t i = 0; i < n; ++i) {
            WriteSysExEvent(MCTime(0.0f), *messages[next + i]);
            m_timeOffset += MCTime(1.0f);
        }
        next += n;
    }
}
