#pragma once

// What the MIDI file tests share: a document that the readers fill and the writer saves, with
// the MIDI-file events it hands the writer scripted by the test; the notes, tempi, meters, keys
// and texts of a piece read back out; and small builders of Standard MIDI File bytes.

#include "interface/midifile/MCMidiFile.h"
#include "interface/tests/MidiDocumentDouble.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECLyric.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECKey.h"
#include "notabase/values/FCMidiSysEx.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/tests/SequencerTestSupport.h"
#include "sequencer/transport/CSequence.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

// A document over a fresh piece; the writer's events come from the script.
class MidiTestDocument : public MidiDocumentDouble {
public:
    struct Scripted {
        uint32_t time = 0;  // thousandths of a quarter note
        int track = 1;
        std::unique_ptr<CWGEventData> record;
    };

    MidiTestDocument() = default;
    // The piece is freed while the states it reports to and the elements the script holds are
    // still here.
    ~MidiTestDocument() override { Release(); }

    ECPerformance* CreatePerformance(int withConductor) override
    {
        ECPerformance* performance = MidiDocumentDouble::CreatePerformance(withConductor);
        performance->AddStateHandler(&MidiTestDocument::OnState, this);
        return performance;
    }
    // The codes of the states the performance received.
    const std::vector<int>& States() const { return m_states; }
    void SetMidiFileStatus(const MCMidiFile&, int fileType) override { m_fileType = fileType; }
    int GetMidiFileEvents(const MCTime& from, MCTime& to, int track, CWGEventList& list) override
    {
        const long begin = from.GetMSec();
        const long end = to.GetMSec();
        bool remain = false;
        for (Scripted& event : m_script) {
            if (!event.record || (track != CSequence::kEveryTrack && event.track != track))
                continue;
            if (static_cast<long>(event.time) >= begin && static_cast<long>(event.time) < end)
                list.push_back(std::move(event.record));
            else if (static_cast<long>(event.time) >= end)
                remain = true;
        }
        list.sort([](const auto& a, const auto& b) { return a->time < b->time; });
        return remain ? 0 : 1;
    }

    int FileType() const { return m_fileType; }
    ECConductor* Conductor() { return m_performance ? m_performance->GetConductor() : nullptr; }

    // Script entries for the writer.
    void Midi(uint32_t time, int track, uint32_t message)
    {
        auto record = std::make_unique<CWGEventData>();
        record->SetMidiData(message);
        record->time = time;
        m_script.push_back({time, track, std::move(record)});
    }
    void SysEx(uint32_t time, int track, std::vector<uint8_t> bytes)
    {
        auto record = std::make_unique<CWGEventData>();
        record->SetSysExData(bytes.data(), static_cast<uint32_t>(bytes.size()));
        record->time = time;
        m_script.push_back({time, track, std::move(record)});
    }
    // A sequencer-data record of an element the document keeps alive, as the sequence keeps
    // the marks it hands the writer.
    void Meta(uint32_t time, int track, ECBase* element)
    {
        m_elements.emplace_back(element);
        auto* data = plat::dynamicDowncast<DCsqBase>(element->GetData(0, 1));
        auto record = std::make_unique<CWGEventData>();
        record->SetFileMeta(reinterpret_cast<uintptr_t>(data));
        record->time = time;
        m_script.push_back({time, track, std::move(record)});
    }

private:
    static int OnState(ECBase*, int, void* state, void* user)
    {
        static_cast<MidiTestDocument*>(user)->m_states.push_back(static_cast<SCBase*>(state)->GetCode());
        return 0;
    }
    int m_fileType = 0;
    std::vector<Scripted> m_script;
    std::vector<plat::RefPtr<ECBase>> m_elements;
    std::vector<int> m_states;
};

// A note as a piece holds it or a file says it: start and length in quarter notes, key and
// channel.
struct MidiNote {
    float start = 0.0f;
    float length = -1.0f;  // -1: never ended
    int key = 0;
    int channel = 0;
    int track = 0;
};

inline bool SameNote(const MidiNote& a, const MidiNote& b, float tolerance)
{
    return a.key == b.key && a.channel == b.channel && std::fabs(a.start - b.start) <= tolerance &&
           (a.length < 0.0f || b.length < 0.0f || std::fabs(a.length - b.length) <= tolerance);
}

inline void SortNotes(std::vector<MidiNote>& notes)
{
    std::sort(notes.begin(), notes.end(), [](const MidiNote& a, const MidiNote& b) {
        return std::tie(a.start, a.channel, a.key, a.length) < std::tie(b.start, b.channel, b.key, b.length);
    });
}

// The notes of the piece's data list.
inline std::vector<MidiNote> PieceNotes(CSequence& sequence)
{
    std::vector<MidiNote> notes;
    for (DCsqBase* data = sequence.GetHead(); data; data = data->GetNext()) {
        auto* note = plat::dynamicDowncast<DCsqNote>(data);
        ECBase* owner = data->GetOwner();
        if (!note || !owner || owner->GetEventId() != EventId::Note)
            continue;
        MidiNote entry;
        entry.start = owner->GetTime() ? owner->GetTime()->GetSeconds() : 0.0f;
        entry.length = owner->GetDuration() ? owner->GetDuration()->GetSeconds() : 0.0f;
        entry.key = note->GetNoteOnData().GetDataByte1();
        entry.channel = note->GetNoteOnData().GetStatusLSB();
        entry.track = owner->GetVoiceTrack() ? owner->GetVoiceTrack()->GetTrack() : -1;
        notes.push_back(entry);
    }
    SortNotes(notes);
    return notes;
}

// Elements of a kind in the data list, in list order.
inline std::vector<ECBase*> ListedElements(CSequence& sequence, int eventId)
{
    std::vector<ECBase*> found;
    for (DCsqBase* data = sequence.GetHead(); data; data = data->GetNext()) {
        if (ECBase* owner = data->GetOwner(); owner && owner->GetEventId() == eventId)
            found.push_back(owner);
    }
    return found;
}

// The tempo or meter marks of the conductor, by time.
inline std::vector<ECBase*> ConductorMarks(ECConductor* conductor, bool tempo)
{
    std::vector<ECBase*> marks;
    ECConductorStaff* staff = conductor ? conductor->GetConductorStaff() : nullptr;
    ECBase* envelope = !staff ? nullptr : tempo ? static_cast<ECBase*>(staff->GetTempoEnv()) : staff->GetMeterEnv();
    if (MCEventList* children = envelope ? envelope->GetChildren() : nullptr) {
        for (ECBase* child : *children)
            marks.push_back(child);
    }
    std::stable_sort(marks.begin(), marks.end(),
                     [](ECBase* a, ECBase* b) { return a->GetTime()->GetSeconds() < b->GetTime()->GetSeconds(); });
    return marks;
}

// Standard MIDI File bytes.
class SmfBytes {
public:
    SmfBytes& Header(int format, int tracks, int division)
    {
        Append({'M', 'T', 'h', 'd', 0, 0, 0, 6, static_cast<uint8_t>(format >> 8), static_cast<uint8_t>(format),
                static_cast<uint8_t>(tracks >> 8), static_cast<uint8_t>(tracks), static_cast<uint8_t>(division >> 8),
                static_cast<uint8_t>(division)});
        return *this;
    }
    // A chunk of the identifier holding the bytes; length, when given, replaces their count.
    SmfBytes& Chunk(const char* id, const std::vector<uint8_t>& data, int64_t length = -1)
    {
        const uint32_t size = static_cast<uint32_t>(length < 0 ? static_cast<int64_t>(data.size()) : length);
        Append({static_cast<uint8_t>(id[0]), static_cast<uint8_t>(id[1]), static_cast<uint8_t>(id[2]),
                static_cast<uint8_t>(id[3]), static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)});
        Append(data);
        return *this;
    }
    SmfBytes& Track(const std::vector<uint8_t>& events, int64_t length = -1) { return Chunk("MTrk", events, length); }
    SmfBytes& Raw(const std::vector<uint8_t>& bytes)
    {
        Append(bytes);
        return *this;
    }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    void Append(const std::vector<uint8_t>& bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }
    std::vector<uint8_t> m_bytes;
};

// The folder of test files made to break MIDI readers, or empty where this checkout has none:
// "shared/corpus/midi" beside a folder that holds the program.
inline std::filesystem::path MidiCorpusFolder()
{
    std::error_code error;
    for (std::filesystem::path folder = std::filesystem::canonical("/proc/self/exe", error).parent_path();
         !error && !folder.empty(); folder = folder.parent_path()) {
        const std::filesystem::path candidate = folder / ".." / "shared" / "corpus" / "midi";
        if (std::filesystem::is_directory(candidate))
            return candidate;
        if (folder == folder.parent_path())
            break;
    }
    return {};
}

inline std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
