// Saving and loading a document of 100,000 notes on 16 staves, whole and split into its two
// halves: the archive (the graph and the sequence as bytes) and the container (the compound
// file around them, written to and read from the disk).

#include "interface/document/MCOpusDoc.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECNote.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Profile.h"
#include "platform/storage/Storage.h"
#include "sequencer/InitSequencer.h"
#include "sequencer/data/DCsqNote.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int kStaves = 16;
constexpr int kNotesPerStaff = 100000 / kStaves;

// The document, its saved file and the bytes of its archive, made once.
struct Fixture {
    Fixture()
    {
        char pattern[] = "/tmp/quavix-document-bench-XXXXXX";
        folder = ::mkdtemp(pattern) ? pattern : "/tmp";
        plat::Profile::setFolder(folder);
        InitSequencer();
        doc.OnNewDocument();
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, kStaves);
        add->SetSynchronous(1);
        add->Apply(doc.GetBaseEvent());
        ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
        conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(kNotesPerStaff - 0.001f), 1, 1);
        for (int staff = 1; staff <= kStaves; ++staff) {
            for (int q = 0; q < kNotesPerStaff; ++q) {
                const MCTime time(static_cast<float>(q));
                auto* note = new ECNote(time, MCTime(1.0f));
                note->SetVoiceTrack(0, staff);
                conductor->GetMeasure(staff, time, 0, 0)->AddChild(note, 1);
                if (auto* data = plat::dynamicDowncast<DCsqNote>(note->GetData(0, 1))) {
                    const MIDIWORD key = static_cast<MIDIWORD>(40 + (q * 7 + staff) % 48);
                    data->SetNoteOnData(FCMidi(0x90u | key << 8 | 100u << 16));
                    data->SetNoteOffData(FCMidi(0x80u | key << 8));
                }
            }
        }
        doc.GetSequence()->CheckDataIntegrity();
        doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        path = folder + "/bench.kvd";
        doc.DoSave(path, 1);
        doc.ReleaseRootStorage();
        contents = plat::Storage::open(path)->readStream("Contents");
    }
    ~Fixture()
    {
        doc.DeleteContents();
        MCOpusDoc::WaitThreadsFinished(0);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::string folder;
    std::string path;
    MCOpusDoc doc;
    std::vector<uint8_t> contents;
};

// Held by the thread that runs the benchmarks, so that it goes at exit before that thread's
// own lock bookkeeping, which its teardown still uses.
Fixture& fixture()
{
    thread_local Fixture f;
    return f;
}

void BM_DocumentSave(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.doc.OnSaveDocument(f.path));
        f.doc.ReleaseRootStorage();
    }
    state.counters["bytes"] = static_cast<double>(f.contents.size());
}
BENCHMARK(BM_DocumentSave)->Unit(benchmark::kMillisecond);

void BM_DocumentSaveArchive(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        plat::MemoryStream stream;
        plat::Archive archive(stream, plat::Archive::Mode::store);
        f.doc.Serialize(archive);
        benchmark::DoNotOptimize(stream.bytes().size());
    }
}
BENCHMARK(BM_DocumentSaveArchive)->Unit(benchmark::kMillisecond);

void BM_DocumentSaveContainer(benchmark::State& state)
{
    Fixture& f = fixture();
    const std::string target = f.folder + "/container.kvd";
    for (auto _ : state)
        plat::Storage::write(target, {{"Contents", f.contents}});
}
BENCHMARK(BM_DocumentSaveContainer)->Unit(benchmark::kMillisecond);

void BM_DocumentLoad(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        auto doc = std::make_unique<MCOpusDoc>();
        benchmark::DoNotOptimize(doc->OnOpenDocument(f.path));
        state.PauseTiming();
        doc.reset();
        MCOpusDoc::WaitThreadsFinished(0);
        plat::MessageLoop::current().pump();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DocumentLoad)->Unit(benchmark::kMillisecond);

void BM_DocumentLoadArchive(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        auto doc = std::make_unique<MCOpusDoc>();
        plat::MemoryStream stream{std::span<const uint8_t>(f.contents)};
        plat::Archive archive(stream, plat::Archive::Mode::load);
        doc->Serialize(archive);
        state.PauseTiming();
        doc.reset();
        MCOpusDoc::WaitThreadsFinished(0);
        plat::MessageLoop::current().pump();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DocumentLoadArchive)->Unit(benchmark::kMillisecond);

// The part of loading the archive that builds the sequence's data list afresh.
void BM_DocumentLoadDataList(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        f.doc.GetSequence()->CheckDataIntegrity();
}
BENCHMARK(BM_DocumentLoadDataList)->Unit(benchmark::kMillisecond);

void BM_DocumentLoadContainer(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(plat::Storage::open(f.path)->readStream("Contents").size());
}
BENCHMARK(BM_DocumentLoadContainer)->Unit(benchmark::kMillisecond);

}  // namespace
