// Saving and loading documents of 100,000 and 1,000,000 notes on 16 staves, whole and split
// into their parts: the archive (the graph and the sequence as bytes), the container (the
// compound file around them, written to and read from the disk) and the rebuild of the
// sequence's data list. Each runs warm (a first pass unmeasured) and several times, and
// reports notes per second, so the two sizes show how the cost grows with the piece. Last,
// opening a small document whose ornaments share their children, 12 and 24 levels deep.

#include "interface/document/MCOpusDoc.h"
#include "interface/midifile/MCMidiFormats.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECOrnament.h"
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
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kStaves = 16;

// The settings folder, shared by the documents of every size.
const std::string& benchFolder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/quavix-document-bench-XXXXXX";
        const std::string made = ::mkdtemp(pattern) ? pattern : "/tmp";
        plat::Profile::setFolder(made);
        InitSequencer();
        // Opening tries the MIDI readers before the document's own, as in the program.
        MCMidiFormats::Install();
        return made;
    }();
    return folder;
}

// A document of the given number of notes, its saved file and the bytes of its archive, made
// once.
struct Fixture {
    explicit Fixture(int notes) : notes(notes), path(benchFolder() + "/bench" + std::to_string(notes) + ".kvd")
    {
        const int perStaff = notes / kStaves;
        doc.OnNewDocument();
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, kStaves);
        add->SetSynchronous(1);
        add->Apply(doc.GetBaseEvent());
        ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
        conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(perStaff - 0.001f), 1, 1);
        for (int staff = 1; staff <= kStaves; ++staff) {
            for (int q = 0; q < perStaff; ++q) {
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
        doc.DoSave(path, 1);
        doc.ReleaseRootStorage();
        contents = plat::Storage::open(path)->readStream("Contents");
    }
    ~Fixture()
    {
        doc.DeleteContents();
        MCOpusDoc::WaitThreadsFinished(0);
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    int notes;
    std::string path;
    MCOpusDoc doc;
    std::vector<uint8_t> contents;
};

// Held by the thread that runs the benchmarks, each made whole after the thread's own lock
// bookkeeping and message loop, which its making sets up, so that it goes at exit before
// them: its teardown still uses them.
template <int Notes>
Fixture& fixtureOf()
{
    thread_local Fixture f(Notes);
    return f;
}

Fixture& fixture(const benchmark::State& state)
{
    return state.range(0) >= 1000000 ? fixtureOf<1000000>() : fixtureOf<100000>();
}

void countNotes(benchmark::State& state, const Fixture& f)
{
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * f.notes);
    state.counters["bytes"] = static_cast<double>(f.contents.size());
}

// A closed document goes, and its piece is freed, outside the measured time.
void dropDocument(benchmark::State& state, std::unique_ptr<MCOpusDoc>& doc)
{
    state.PauseTiming();
    doc.reset();
    MCOpusDoc::WaitThreadsFinished(0);
    plat::MessageLoop::current().pump();
    state.ResumeTiming();
}

void BM_DocumentSave(benchmark::State& state)
{
    Fixture& f = fixture(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.doc.OnSaveDocument(f.path));
        f.doc.ReleaseRootStorage();
    }
    countNotes(state, f);
}

// Counts what is written and keeps nothing, as a save hands the archive's bytes on to the
// file as they come.
class CountingStream final : public plat::ByteStream {
public:
    size_t read(void*, size_t) override { return 0; }
    void write(const void*, size_t size) override { m_written += size; }
    std::optional<uint64_t> remaining() const override { return 0; }
    uint64_t written() const { return m_written; }

private:
    uint64_t m_written = 0;
};

void BM_DocumentSaveArchive(benchmark::State& state)
{
    Fixture& f = fixture(state);
    // Sized, as a save of the document is, for the objects the last one stored.
    size_t objects = 0;
    for (auto _ : state) {
        CountingStream stream;
        plat::Archive archive(stream, plat::Archive::Mode::store);
        archive.reserveObjects(objects);
        f.doc.Serialize(archive);
        objects = archive.objectCount();
        benchmark::DoNotOptimize(stream.written());
    }
    countNotes(state, f);
}

void BM_DocumentSaveContainer(benchmark::State& state)
{
    Fixture& f = fixture(state);
    const std::string target = f.path + ".container";
    for (auto _ : state)
        plat::Storage::write(target, {{"Contents", f.contents}});
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    countNotes(state, f);
}

void BM_DocumentLoad(benchmark::State& state)
{
    Fixture& f = fixture(state);
    for (auto _ : state) {
        auto doc = std::make_unique<MCOpusDoc>();
        benchmark::DoNotOptimize(doc->OnOpenDocument(f.path));
        dropDocument(state, doc);
    }
    countNotes(state, f);
}

void BM_DocumentLoadArchive(benchmark::State& state)
{
    Fixture& f = fixture(state);
    for (auto _ : state) {
        auto doc = std::make_unique<MCOpusDoc>();
        plat::MemoryStream stream{std::span<const uint8_t>(f.contents)};
        plat::Archive archive(stream, plat::Archive::Mode::load);
        doc->Serialize(archive);
        dropDocument(state, doc);
    }
    countNotes(state, f);
}

// The part of loading the archive that builds the sequence's data list afresh.
void BM_DocumentLoadDataList(benchmark::State& state)
{
    Fixture& f = fixture(state);
    for (auto _ : state)
        f.doc.GetSequence()->CheckDataIntegrity();
    countNotes(state, f);
}

void BM_DocumentLoadContainer(benchmark::State& state)
{
    Fixture& f = fixture(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(plat::Storage::open(f.path)->streamData("Contents").size());
    countNotes(state, f);
}

// Both sizes, warm, for several iterations each. The brief run as a test takes only the
// smaller one.
void sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.5)->MinTime(1.0);
}

// Opening makes a whole piece, and the heap takes a few pieces of a size before it holds what
// one needs: until then each open maps and touches fresh pages, the first at 1,000,000 notes
// about 30,000 of them. Opens warm up until that has settled (three or more at the larger size)
// and are measured over two or more.
void openSizes(benchmark::internal::Benchmark* b)
{
    b->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinWarmUpTime(6.0)->MinTime(3.0);
}

// A document of one note whose ornaments form a lattice: each level two ornaments, each a
// child of both above. 2^levels paths lead to the last ones; the elements are a few dozen.
struct LatticeFixture {
    explicit LatticeFixture(int levels) : path(benchFolder() + "/lattice" + std::to_string(levels) + ".kvd")
    {
        MCOpusDoc doc;
        doc.OnNewDocument();
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, 1);
        add->SetSynchronous(1);
        add->Apply(doc.GetBaseEvent());
        ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
        conductor->GetConductorStaff()->GetConductorMeasureAtTime(MCTime(0.0f), 1, 1);
        auto* note = new ECNote(MCTime(0.0f), MCTime(1.0f));
        note->SetVoiceTrack(0, 1);
        conductor->GetMeasure(1, MCTime(0.0f), 0, 0)->AddChild(note, 1);
        std::vector<ECBase*> above{note};
        for (int level = 0; level < levels; ++level) {
            std::vector<ECBase*> row{new ECOrnament(1), new ECOrnament(2)};
            for (ECBase* ornament : row) {
                for (ECBase* parent : above)
                    parent->AddChild(ornament, 0);
            }
            above = row;
        }
        doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        doc.DoSave(path, 1);
        doc.DeleteContents();
        MCOpusDoc::WaitThreadsFinished(0);
    }
    ~LatticeFixture()
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    LatticeFixture(const LatticeFixture&) = delete;
    LatticeFixture& operator=(const LatticeFixture&) = delete;

    std::string path;
};

void BM_DocumentLoadSharedOrnaments(benchmark::State& state)
{
    thread_local std::map<int, std::unique_ptr<LatticeFixture>> fixtures;
    std::unique_ptr<LatticeFixture>& f = fixtures[static_cast<int>(state.range(0))];
    if (!f)
        f = std::make_unique<LatticeFixture>(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto doc = std::make_unique<MCOpusDoc>();
        if (!doc->OnOpenDocument(f->path))
            state.SkipWithError("the document was refused");
        dropDocument(state, doc);
    }
}

BENCHMARK(BM_DocumentSave)->Apply(sizes);
BENCHMARK(BM_DocumentSaveArchive)->Apply(sizes);
BENCHMARK(BM_DocumentSaveContainer)->Apply(sizes);
BENCHMARK(BM_DocumentLoad)->Apply(openSizes);
BENCHMARK(BM_DocumentLoadArchive)->Apply(openSizes);
BENCHMARK(BM_DocumentLoadDataList)->Apply(sizes);
BENCHMARK(BM_DocumentLoadContainer)->Apply(sizes);
BENCHMARK(BM_DocumentLoadSharedOrnaments)->Arg(12)->Arg(24)->Unit(benchmark::kMillisecond)->MinWarmUpTime(0.5)->MinTime(2.0);

}  // namespace
