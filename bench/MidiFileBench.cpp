// Reading and writing Standard MIDI Files: events per second of processor time for an import
// with full transcription (a file of every GS sound and the dense sixteen-channel piece when the
// shared test files are there, a dense piece of 16 channels made here, a file of 100,000 events,
// files of 512 to 2,045 tracks, files of 2,000 to 32,000 tempo changes), for the closing of the
// many-track pieces, for an export through the document at 15,000, 60,000 and 250,000 events
// (written again and again, and each from cold caches), and for the byte writer alone over
// records made beforehand. Each reports the peak of its own heap use (above what was in use when
// it began), counted at the allocator.

#include "interface/document/MCOpusDoc.h"
#include "interface/midifile/MCMidiDocument.h"
#include "interface/midifile/MCMidiFormats.h"
#include "interface/midifile/MCMidiMemFile.h"
#include "interface/midifile/MCMidiRead.h"
#include "interface/midifile/MCMidiWrite.h"
#include "interface/tests/MidiDocumentDouble.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "platform/core/MemoryStream.h"
#include "platform/core/Profile.h"
#include "sequencer/InitSequencer.h"
#include "sequencer/transport/CSequence.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <new>
#include <vector>

namespace {

// What operator new has handed out and not taken back, and the most of it at any time since the
// last reset. Every allocation of the program goes through here (the C++ libraries' too).
std::atomic<size_t> g_liveBytes{0};
std::atomic<size_t> g_peakBytes{0};

void* CountedAlloc(size_t size, size_t alignment = 0)
{
    if (size == 0)
        size = 1;
    void* p = alignment > alignof(std::max_align_t) ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                                                    : std::malloc(size);
    if (!p)
        return nullptr;
    const size_t now = g_liveBytes.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
    size_t peak = g_peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !g_peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
    return p;
}

void CountedFree(void* p) noexcept
{
    if (!p)
        return;
    g_liveBytes.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}

void* CountedNew(size_t size, size_t alignment = 0)
{
    void* p = CountedAlloc(size, alignment);
    if (!p)
        throw std::bad_alloc();
    return p;
}

}  // namespace

void* operator new(size_t size) { return CountedNew(size); }
void* operator new[](size_t size) { return CountedNew(size); }
void* operator new(size_t size, std::align_val_t a) { return CountedNew(size, static_cast<size_t>(a)); }
void* operator new[](size_t size, std::align_val_t a) { return CountedNew(size, static_cast<size_t>(a)); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void* operator new(size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { return CountedAlloc(size, static_cast<size_t>(a)); }
void* operator new[](size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { return CountedAlloc(size, static_cast<size_t>(a)); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, size_t) noexcept { CountedFree(p); }
void operator delete(void* p, std::align_val_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::align_val_t) noexcept { CountedFree(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { CountedFree(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { CountedFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { CountedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { CountedFree(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { CountedFree(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { CountedFree(p); }

namespace {

// The most heap one benchmark used above what was in use when it began.
class PeakMemory {
public:
    PeakMemory() : m_base(g_liveBytes.load()) { g_peakBytes.store(m_base); }
    ~PeakMemory() = default;
    PeakMemory(const PeakMemory&) = delete;
    PeakMemory& operator=(const PeakMemory&) = delete;
    void Report(benchmark::State& state) const
    {
        const size_t peak = g_peakBytes.load();
        state.counters["peak_MB"] = static_cast<double>(peak > m_base ? peak - m_base : 0) / (1024.0 * 1024.0);
    }

private:
    size_t m_base;
};

class BenchDocument : public MidiDocumentDouble {
public:
    // The records handed over window by window, as the sequence would.
    int GetMidiFileEvents(const MCTime& from, MCTime& to, int, CWGEventList& list) override
    {
        const long end = to.GetMSec();
        (void)from;
        while (m_next < m_records.size() && static_cast<long>(m_records[m_next]->time) < end)
            list.push_back(std::move(m_records[m_next++]));
        return m_next >= m_records.size() ? 1 : 0;
    }
    void SetRecords(std::vector<std::unique_ptr<CWGEventData>> records)
    {
        m_records = std::move(records);
        m_next = 0;
    }

private:
    std::vector<std::unique_ptr<CWGEventData>> m_records;
    size_t m_next = 0;
};

void Setup()
{
    static const bool done = [] {
        setenv("QUAVIX_MEDIA", "memory", 0);
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quavix-bench-settings";
        std::filesystem::create_directories(folder);
        plat::Profile::setFolder(folder.string());
        return InitSequencer() != 0;
    }();
    (void)done;
}

void PutVarLength(std::vector<uint8_t>& out, uint32_t value)
{
    uint8_t bytes[4];
    int count = 0;
    bytes[count++] = value & 0x7F;
    while ((value >>= 7) > 0)
        bytes[count++] = static_cast<uint8_t>(0x80 | (value & 0x7F));
    while (count > 0)
        out.push_back(bytes[--count]);
}

// A type-0 file at 480 ticks a quarter holding one track.
std::vector<uint8_t> SingleTrackFile(const std::vector<uint8_t>& track)
{
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    const uint32_t size = static_cast<uint32_t>(track.size());
    file.insert(file.end(), {static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                             static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)});
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

// A format 0 file at 480 ticks a quarter: on each of the channels, notes of a sixteenth played
// one after another, with a program change per channel first; about `events` events.
std::vector<uint8_t> DenseFile(int channels, long events)
{
    std::vector<uint8_t> track;
    for (int channel = 0; channel < channels; ++channel) {
        track.insert(track.end(), {0x00, static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(channel * 7)});
    }
    const long perChannel = events / (2L * channels);
    for (long i = 0; i < perChannel; ++i) {
        const uint8_t key = static_cast<uint8_t>(36 + (i * 7) % 48);
        for (int channel = 0; channel < channels; ++channel)
            track.insert(track.end(), {0x00, static_cast<uint8_t>(0x90 | channel), key, 0x64});
        PutVarLength(track, 120);
        for (int channel = 0; channel < channels; ++channel)
            track.insert(track.end(), {static_cast<uint8_t>(0x80 | channel), key, 0x00, 0x00});
        track.pop_back();
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    return SingleTrackFile(track);
}

// A file of the shared test files ("shared/corpus/<folder>/<name>" beside a folder that holds
// the program), or nothing where this checkout has none.
std::vector<uint8_t> CorpusFile(const char* folderName, const char* name)
{
    std::error_code error;
    for (std::filesystem::path folder = std::filesystem::canonical("/proc/self/exe", error).parent_path();
         !error && !folder.empty(); folder = folder.parent_path()) {
        const std::filesystem::path candidate = folder / ".." / "shared" / "corpus" / folderName / name;
        if (std::filesystem::is_regular_file(candidate)) {
            std::ifstream in(candidate, std::ios::binary);
            return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
        }
        if (folder == folder.parent_path())
            break;
    }
    return {};
}

// A format 1 file of a conductor chunk and `tracks` chunks of one note each, on the sixteen
// channels in turn.
std::vector<uint8_t> ManyTracksFile(int tracks)
{
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, static_cast<uint8_t>((tracks + 1) >> 8),
                                 static_cast<uint8_t>(tracks + 1), 0x01, 0xE0};
    const auto chunk = [&file](const std::vector<uint8_t>& events) {
        const uint32_t size = static_cast<uint32_t>(events.size());
        file.insert(file.end(), {'M', 'T', 'r', 'k', static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(size >> 16),
                                 static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)});
        file.insert(file.end(), events.begin(), events.end());
    };
    chunk({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00});
    for (int track = 1; track <= tracks; ++track) {
        const uint8_t channel = static_cast<uint8_t>(track % 16);
        const uint8_t key = static_cast<uint8_t>(36 + track % 48);
        chunk({0x00, static_cast<uint8_t>(0x90 | channel), key, 0x64, 0x83, 0x60, static_cast<uint8_t>(0x80 | channel), key,
               0x00, 0x00, 0xFF, 0x2F, 0x00});
    }
    return file;
}

// A format 0 file of `changes` tempo changes a sixteenth apart, each a different tempo, and a
// note across them.
std::vector<uint8_t> TempoChangesFile(int changes)
{
    std::vector<uint8_t> track = {0x00, 0x90, 0x3C, 0x64};
    for (int i = 0; i < changes; ++i) {
        const uint32_t micro = 300000 + static_cast<uint32_t>(i * 7919 % 600000);
        PutVarLength(track, i == 0 ? 0 : 120);
        track.insert(track.end(), {0xFF, 0x51, 0x03, static_cast<uint8_t>(micro >> 16), static_cast<uint8_t>(micro >> 8),
                                   static_cast<uint8_t>(micro)});
    }
    track.insert(track.end(), {0x00, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    return SingleTrackFile(track);
}

// The events of a file: everything after a delta time.
long CountEvents(const std::vector<uint8_t>& bytes)
{
    long events = 0;
    size_t at = 14;
    while (at + 8 <= bytes.size()) {
        const size_t length = static_cast<size_t>(bytes[at + 4]) << 24 | static_cast<size_t>(bytes[at + 5]) << 16 |
                              static_cast<size_t>(bytes[at + 6]) << 8 | bytes[at + 7];
        const size_t end = std::min(bytes.size(), at + 8 + length);
        size_t i = at + 8;
        uint8_t running = 0;
        while (i < end) {
            while (i < end && (bytes[i] & 0x80))
                ++i;
            if (++i >= end)
                break;
            const uint8_t status = bytes[i];
            ++events;
            if (status == 0xFF || status == 0xF0 || status == 0xF7) {
                i += status == 0xFF ? 2 : 1;
                size_t size = 0;
                while (i < end && (bytes[i] & 0x80))
                    size = size << 7 | (bytes[i++] & 0x7F);
                if (i < end)
                    size = size << 7 | bytes[i++];
                i += size;
                continue;
            }
            if (status & 0x80) {
                running = status;
                ++i;
            }
            i += (running & 0xE0) == 0xC0 ? 1 : 2;
        }
        at = end;
    }
    return events;
}

void Import(benchmark::State& state, const std::vector<uint8_t>& bytes)
{
    Setup();
    if (bytes.empty()) {
        state.SkipWithError("the shared MIDI test files are not in this checkout");
        return;
    }
    const long events = CountEvents(bytes);
    const PeakMemory memory;
    for (auto _ : state) {
        auto doc = std::make_unique<BenchDocument>();
        MCMidiMemFile file("bench.mid", bytes);
        MCMidiRead reader;
        if (!reader.LoadMidiFile(file, *doc))
            state.SkipWithError(reader.GetErrorText().c_str());
        // Freeing the piece is not part of the import.
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * events);
    state.counters["events"] = static_cast<double>(events);
    memory.Report(state);
}

void BM_ImportAllGsSounds(benchmark::State& state)
{
    Import(state, CorpusFile("midi", "test-all-gs-sounds.mid"));
}

// 16 channels, 8 notes a second each for a minute at 120 beats a minute: the one made here, and
// the piece the anchor figures are measured on.
void BM_ImportDensePiece(benchmark::State& state, bool shared)
{
    Import(state, shared ? CorpusFile("bench", "dense16.mid") : DenseFile(16, 16L * 8 * 60 * 2));
}

void BM_Import100kEvents(benchmark::State& state)
{
    Import(state, DenseFile(16, 100000));
}

// A conductor and range(0) tracks; 2,045 is the most a piece holds. With fewer the growth with
// the number of tracks shows.
void BM_ImportManyTracks(benchmark::State& state)
{
    Import(state, ManyTracksFile(static_cast<int>(state.range(0))));
}

// range(0) tempo changes: the time per change should not grow with their number.
void BM_ImportTempoChanges(benchmark::State& state)
{
    Import(state, TempoChangesFile(static_cast<int>(state.range(0))));
}

// Closing that piece: its staves taken out one by one.
void BM_CloseManyTracks(benchmark::State& state)
{
    Setup();
    const std::vector<uint8_t> bytes = ManyTracksFile(static_cast<int>(state.range(0)));
    const PeakMemory memory;
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<BenchDocument>();
        MCMidiMemFile file("bench.mid", bytes);
        MCMidiRead reader;
        if (!reader.LoadMidiFile(file, *doc))
            state.SkipWithError(reader.GetErrorText().c_str());
        state.ResumeTiming();
        doc.reset();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    memory.Report(state);
}

// The byte writer alone, over 100,000 records made before the timed part, as the sequence would
// hand them over window by window.
void BM_WriteRecords100kEvents(benchmark::State& state)
{
    Setup();
    BenchDocument doc;
    doc.GetSequence().Attach(doc.CreatePerformance(1));
    constexpr long events = 100000;
    const PeakMemory memory;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::unique_ptr<CWGEventData>> records;
        records.reserve(events);
        for (long i = 0; i < events; ++i) {
            auto record = std::make_unique<CWGEventData>();
            const uint32_t channel = static_cast<uint32_t>(i % 16);
            const uint32_t key = static_cast<uint32_t>(36 + (i / 32) % 48);
            record->SetMidiData((i / 16) % 2 ? (0x80 | channel | key << 8) : (0x90 | channel | key << 8 | 0x64u << 16));
            record->time = static_cast<uint32_t>(i / 16 * 125);
            records.push_back(std::move(record));
        }
        doc.SetRecords(std::move(records));
        MCMidiMemFile file("bench.mid");
        state.ResumeTiming();
        if (!MCMidiWrite().SaveMidiFile(file, doc, 0, 480))
            state.SkipWithError("the file was not written");
        benchmark::DoNotOptimize(file.GetBytes().data());
    }
    state.SetItemsProcessed(state.iterations() * events);
    memory.Report(state);
}

// The same through the music document: its performance, sequence and command handling.
void BM_DocumentImportAllGsSounds(benchmark::State& state)
{
    Setup();
    const std::vector<uint8_t> bytes = CorpusFile("midi", "test-all-gs-sounds.mid");
    if (bytes.empty()) {
        state.SkipWithError("the shared MIDI test files are not in this checkout");
        return;
    }
    const PeakMemory memory;
    for (auto _ : state) {
        auto doc = std::make_unique<MCOpusDoc>();
        plat::MemoryStream contents(bytes);
        if (!MCMidiFormats::ReadMidi(contents, *doc))
            state.SkipWithError("the file was not read");
        state.PauseTiming();
        doc.reset();
        MCOpusDoc::WaitThreadsFinished(0);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * CountEvents(bytes));
    memory.Report(state);
}

// Writes a byte of every line of memory larger than the processor's caches, pushing out what
// they held: an export that follows other work finds nothing of the piece in them.
void PushOutCaches()
{
    static std::vector<char> memory(size_t{256} << 20, 1);
    for (size_t at = 0; at < memory.size(); at += 64)
        ++memory[at];
    benchmark::ClobberMemory();
}

// A piece of about range(0) events read into a document, then written as a type 1 (or 0) file by
// the sequence's MIDI-file events: the whole export, from the document to the file's bytes.
// Written again and again, a piece that fits in the caches stays there; from cold, each file
// starts with the caches pushed out (outside the timed part).
void DocumentExport(benchmark::State& state, bool fromCold, int format = 1)
{
    Setup();
    const std::vector<uint8_t> bytes = DenseFile(16, state.range(0));
    MCOpusDoc doc;
    plat::MemoryStream contents(bytes);
    if (!MCMidiFormats::ReadMidi(contents, doc)) {
        state.SkipWithError("the file was not read");
        return;
    }
    // The piece of an earlier run is freed on a thread of its own; freed alongside the timed
    // part it would take its caches and the allocator's lock.
    MCOpusDoc::WaitThreadsFinished(0);
    // The memory that pushes out the caches is made before the counting starts.
    if (fromCold)
        PushOutCaches();
    size_t written = 0;
    const PeakMemory memory;
    // Each fresh page the kernel hands out costs a trap: counted per file written.
    rusage before{};
    getrusage(RUSAGE_THREAD, &before);
    for (auto _ : state) {
        if (fromCold) {
            state.PauseTiming();
            PushOutCaches();
            state.ResumeTiming();
        }
        plat::MemoryStream out;
        MCMidiFormats::WriteMidi(out, doc, format, 480);
        written = out.bytes().size();
    }
    rusage after{};
    getrusage(RUSAGE_THREAD, &after);
    state.SetItemsProcessed(state.iterations() * CountEvents(bytes));
    state.counters["bytes"] = static_cast<double>(written);
    state.counters["faults"] = static_cast<double>(after.ru_minflt - before.ru_minflt) / static_cast<double>(state.iterations());
    memory.Report(state);
}

void BM_DocumentExport(benchmark::State& state)
{
    DocumentExport(state, false);
}

void BM_DocumentExportCold(benchmark::State& state)
{
    DocumentExport(state, true);
}

// Type 0: every track in one pass, their events merged into one chunk.
void BM_DocumentExportType0(benchmark::State& state)
{
    DocumentExport(state, false, 0);
}

}  // namespace

BENCHMARK(BM_DocumentImportAllGsSounds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentExport)->Arg(15000)->Arg(60000)->Arg(250000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentExportCold)->Arg(15000)->Arg(60000)->Arg(250000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentExportType0)->Arg(15000)->Arg(60000)->Arg(250000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportAllGsSounds)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ImportDensePiece, made, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ImportDensePiece, dense16, true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import100kEvents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportManyTracks)->Arg(512)->Arg(1024)->Arg(MCMidiRead::kMaxTrack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportTempoChanges)->Arg(2000)->Arg(16000)->Arg(32000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CloseManyTracks)->Arg(512)->Arg(1024)->Arg(MCMidiRead::kMaxTrack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteRecords100kEvents)->Unit(benchmark::kMillisecond);
