// The queries playback and editing run most: the changes of an envelope of 10,000 points over
// consecutive slices, and searches by time and by type over 100,000 notes under 1,000
// measures. Each search is one walk over the notes; a search that finds nothing allocates
// nothing.

#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACFindTime.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECWithTime.h"
#include "notabase/model/ECWithTimeChild.h"
#include "notabase/model/EventTypes.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

class QBNote : public ECWithTime {
public:
    int GetEventId() const override { return EventId::Note; }
};

class QBMeasure : public ECWithTimeChild {
public:
    int GetEventId() const override { return EventId::Measure; }
};

class QBStaff : public ECWithTimeChild {
public:
    int GetEventId() const override { return EventId::Staff; }
};

constexpr int kNotesPerMeasure = 100;
constexpr int kEnvelopePoints = 10000;

// A staff of notes 0.04 apart, 100 to a measure of 4 quarter notes.
std::unique_ptr<QBStaff> buildStaff(int notes)
{
    auto staff = std::make_unique<QBStaff>();
    for (int m = 0; m * kNotesPerMeasure < notes; ++m) {
        auto* measure = new QBMeasure;
        MCTime bar(static_cast<float>(4 * m));
        measure->SetTime(&bar);
        staff->AddChild(measure, 0);
        for (int n = 0; n < kNotesPerMeasure && m * kNotesPerMeasure + n < notes; ++n) {
            auto* note = new QBNote;
            MCTime t(static_cast<float>(4 * m) + static_cast<float>(n) * 0.04f);
            note->SetTime(&t);
            measure->AddChild(note, 0);
        }
    }
    return staff;
}

// Points a quarter note apart, alternating steps and ramps.
std::unique_ptr<ECEnvelope> buildEnvelope()
{
    auto envelope = std::make_unique<ECEnvelope>();
    for (int i = 0; i < kEnvelopePoints; ++i) {
        auto* point = new ECEnvPoint;
        MCTime t(static_cast<float>(i) * 0.25f);
        point->SetTime(&t);
        point->SetValue(static_cast<float>((i * 37) % 128));
        point->SetStyle(i % 2);
        envelope->AddChild(point, 1);
    }
    envelope->SetMinDeltaTime(MCTime(0.05f));
    return envelope;
}

// One playback slice of 0.1 after another, across a stretch in the middle of the envelope.
void BM_EnvelopeGetValues(benchmark::State& state)
{
    const auto envelope = buildEnvelope();
    std::vector<EVALUE> values;
    values.reserve(1024);
    const float from = static_cast<float>(kEnvelopePoints) * 0.25f * 0.5f;
    float start = from;
    envelope->Reset();
    for (auto _ : state) {
        values.clear();
        envelope->GetValues(MCTime(start), MCTime(start + 0.1f), 1.0f, values, 1);
        benchmark::DoNotOptimize(values.data());
        start += 0.1f;
        if (start > from + 500.0f) {
            start = from;
            envelope->Reset();
        }
    }
}
BENCHMARK(BM_EnvelopeGetValues);

// A value anywhere in the envelope, as a jump in the position asks.
void BM_EnvelopeGetValueAnywhere(benchmark::State& state)
{
    const auto envelope = buildEnvelope();
    float value = 0.0f;
    unsigned step = 0;
    for (auto _ : state) {
        step = step * 1664525u + 1013904223u;
        const float t = static_cast<float>(step % (kEnvelopePoints * 4)) * 0.0625f;
        envelope->GetValue(MCTime(t), value, 1);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_EnvelopeGetValueAnywhere);

// A range at the end of the piece: the walk passes every note before it.
void BM_FindTime(benchmark::State& state)
{
    const int notes = static_cast<int>(state.range(0));
    const auto staff = buildStaff(notes);
    const float last = static_cast<float>(4 * (notes / kNotesPerMeasure - 1));
    for (auto _ : state) {
        ACFindTime find(MCTime(last + 1.0f), MCTime(last + 1.2f), ACFindTime::openEnd);
        find.AddEvtType(EventId::Note);
        find.Apply(staff.get());
        benchmark::DoNotOptimize(find.GetEventCount());
    }
    state.SetItemsProcessed(state.iterations() * notes);
    state.SetComplexityN(notes);
}
BENCHMARK(BM_FindTime)->Arg(10000)->Arg(100000)->Complexity(benchmark::oN);

// A type that is not there: one whole walk that finds nothing.
void BM_FindEventsNone(benchmark::State& state)
{
    const int notes = static_cast<int>(state.range(0));
    const auto staff = buildStaff(notes);
    for (auto _ : state) {
        ACFindEvents find;
        find.AddEvtType(EventId::Rest);
        find.Apply(staff.get());
        benchmark::DoNotOptimize(find.GetEventCount());
    }
    state.SetItemsProcessed(state.iterations() * notes);
    state.SetComplexityN(notes);
}
BENCHMARK(BM_FindEventsNone)->Arg(10000)->Arg(100000)->Complexity(benchmark::oN);

// Every note: the found list holds a reference on each.
void BM_FindEventsAll(benchmark::State& state)
{
    const int notes = static_cast<int>(state.range(0));
    const auto staff = buildStaff(notes);
    for (auto _ : state) {
        ACFindEvents find;
        find.AddEvtType(EventId::Note);
        find.Apply(staff.get());
        benchmark::DoNotOptimize(find.GetEventCount());
    }
    state.SetItemsProcessed(state.iterations() * notes);
    state.SetComplexityN(notes);
}
BENCHMARK(BM_FindEventsAll)->Arg(10000)->Arg(100000)->Complexity(benchmark::oN);

}  // namespace
