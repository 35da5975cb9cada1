// Random runs of the commands that change bars (meters added and removed, bars inserted) and of
// tempo marks added, each one user action: every step keeps the bars in step with the meter map,
// every element in the bar holding its time and the notes and rests in the order they had;
// undoing the steps one by one gives back the stored piece of each step before, and redoing them
// gives back each step after.

#include "notabase/commands/CCAddMeasure.h"
#include "notabase/commands/CCAddMeter.h"
#include "notabase/commands/CCAddTempo.h"
#include "notabase/commands/CCRemoveMeter.h"
#include "notabase/tests/RebarPiece.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

class RebarUndoRedoTest : public RebarTest {
protected:
    void SetUp() override
    {
        RebarTest::SetUp();
        m_levels = MCCommandMgr::GetUndoLevels();
        MCCommandMgr::SetUndoLevels(1000);
    }
    void TearDown() override
    {
        MCCommandMgr::SetUndoLevels(m_levels);
        RebarTest::TearDown();
    }

    // Sixteen bars of 4/4 on two staves; the music (notes and rests at distinct times, tempo
    // marks) lies in the first 24 quarter notes, so no re-barring ever needs bars past the end.
    void buildPiece(std::mt19937& random)
    {
        addStaves(2);
        putMeter(0.0f, 4, 4);
        putTempo(0.0f, 120.0f);
        barsUpTo(64.0f);
        putTempo(8.0f, 90.0f);
        putTempo(20.5f, 100.0f);
        std::uniform_int_distribution<int> quarter(1, 95);
        std::uniform_int_distribution<int> kind(0, 4);
        for (int staff = 1; staff <= 2; ++staff) {
            putClef(staff, 0.0f);
            putKey(staff, 0.0f);
            std::set<int> taken;
            while (taken.size() < 20)
                taken.insert(quarter(random));
            for (int at : taken) {
                const float t = static_cast<float>(at) * 0.25f;
                if (kind(random) == 0)
                    putRest(staff, t);
                else
                    putNote(staff, t, 0.25f * static_cast<float>(kind(random)));
            }
        }
    }

    // One random user action; a description for the failure messages.
    std::string randomStep(std::mt19937& random)
    {
        for (;;) {
            const std::string step = tryRandomStep(random);
            if (!step.empty())
                return step;
        }
    }
    // Empty when the step drawn was left out.
    std::string tryRandomStep(std::mt19937& random)
    {
        const int barCount = m_conductor->GetMaxMeasureNumber();
        const int meterCount = meterMap().GetPointCount();
        std::uniform_int_distribution<int> what(0, 9);
        const int choice = what(random);
        if (choice >= 8)
            return addTempo(random);
        if (choice < 4) {
            static constexpr unsigned char numerators[] = {2, 3, 4, 5, 6};
            std::uniform_int_distribution<int> bar(1, barCount);
            std::uniform_int_distribution<int> pick(0, 4);
            const int number = bar(random);
            const unsigned char numerator = numerators[pick(random)];
            const unsigned char denominator = numerator == 6 ? 8 : 4;
            const float time = timeOf(m_conductor->GetMeasure(0, number));
            const plat::RefPtr<ECMeter> meter(newMeter(time, numerator, denominator));
            act(new CCAddMeter(meter.get()));
            return "add " + std::to_string(numerator) + "/" + std::to_string(denominator) + " at bar "
                   + std::to_string(number);
        }
        if (choice < 7 && meterCount > 1) {
            std::uniform_int_distribution<int> pick(1, meterCount - 1);
            auto* meter = static_cast<ECMeter*>(meterMap().GetPointAtIndex(pick(random)));
            const std::string text = "remove the meter at " + number(timeOf(meter));
            act(new CCRemoveMeter(meter));
            return text;
        }
        std::uniform_int_distribution<int> index(0, barCount);
        std::uniform_int_distribution<int> count(1, 2);
        const int at = index(random);
        const int bars = count(random);
        act(new CCAddMeasure(bars, at));
        return "insert " + std::to_string(bars) + " bars at " + std::to_string(at);
    }

    // A metronome mark, a tempo word, "a tempo", or a gradual change or pause of two quarter notes
    // (whose end mark needs a free place too), at a free quarter note of the first 30.
    std::string addTempo(std::mt19937& random)
    {
        static constexpr unsigned char types[] = {ECTempo::typeMetronome, 14, ECTempo::typeATempo,
                                                  ECTempo::typeAccelerando, 22, ECTempo::typeRitardando, 25};
        std::uniform_int_distribution<int> pick(0, 6);
        std::uniform_int_distribution<int> quarter(1, 29);
        const unsigned char type = types[pick(random)];
        const float time = static_cast<float>(quarter(random));
        const float duration = ECTempo::HasDuration(type) ? 2.0f : 0.0f;
        if (tempoMap().GetPointAt(MCTime(time)) || (duration > 0.0f && tempoMap().GetPointAt(MCTime(time + duration))))
            return {};
        auto* tempo = new ECTempo(type, MCTime(duration));
        MCTime at(time);
        tempo->SetTime(&at);
        MCTime length(duration);
        tempo->SetDuration(&length);
        tempo->SetValue(75.0f);
        auto* command = new CCAddTempo;
        command->Add(tempo, &tempoMap(), FCMidi::MidiNull());
        act(command);
        return "tempo of type " + std::to_string(type) + " at " + number(time);
    }

    // The notes and rests of each staff in the order of their times, each at a time of its own.
    std::vector<std::vector<ECBase*>> music()
    {
        std::vector<std::vector<ECBase*>> staves(2);
        for (int staff = 1; staff <= 2; ++staff) {
            std::vector<ECBase*>& found = staves[static_cast<size_t>(staff) - 1];
            for (int n = 1; n <= m_conductor->GetMaxMeasureNumber(); ++n) {
                for (ECBase* child : *m_conductor->GetMeasure(staff, n)->GetChildren()) {
                    if (child->GetEventId() == EventId::Note || child->GetEventId() == EventId::Rest)
                        found.push_back(child);
                }
            }
            std::stable_sort(found.begin(), found.end(), [this](ECBase* a, ECBase* b) { return timeOf(a) < timeOf(b); });
            for (size_t i = 1; i < found.size(); ++i)
                EXPECT_LT(timeOf(found[i - 1]), timeOf(found[i])) << "two notes or rests at one time";
        }
        return staves;
    }

    // The bars follow each other in the lengths of the meters in force, every meter begins a
    // bar, every measure of a bar has the bar's time, and every note and rest lies in its bar.
    void expectBarsInStep()
    {
        const int barCount = m_conductor->GetMaxMeasureNumber();
        float t = 0.0f;
        for (int n = 1; n <= barCount; ++n) {
            ECMeasure* bar = m_conductor->GetMeasure(0, n);
            ASSERT_EQ(timeOf(bar), t) << "bar " << n;
            const float end = t + m_conductor->GetMeterAtTime(MCTime(t))->GetMeasureLength();
            for (int staff = 1; staff <= 2; ++staff) {
                ECMeasure* measure = m_conductor->GetMeasure(staff, n);
                ASSERT_EQ(timeOf(measure), t);
                for (ECBase* child : *measure->GetChildren()) {
                    const int id = child->GetEventId();
                    if (id == EventId::Note || id == EventId::Rest) {
                        EXPECT_GE(timeOf(child), t) << "bar " << n;
                        EXPECT_LT(timeOf(child), end) << "bar " << n;
                    }
                }
            }
            t = end;
        }
        EXPECT_EQ(m_conductor->GetMaxMeasureEndTime().GetSeconds(), t);
        for (ECBase* meter : *meterMap().GetChildren())
            EXPECT_EQ(timeOf(meter), timeOf(m_conductor->GetMeasure(0, m_conductor->GetMeasureNumberAtTime(*meter->GetTime()))));
    }

    int m_levels = 10;
};

TEST_F(RebarUndoRedoTest, EveryStepUndoesAndRedoesToTheStoredPiece)
{
    constexpr int kRuns = 40;
    constexpr int kSteps = 14;
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        if (run > 0) {
            TearDown();
            SetUp();
        }
        std::mt19937 random(7919u * static_cast<unsigned>(run) + 17u);
        buildPiece(random);
        std::vector<std::vector<uint8_t>> pieces{stored()};
        std::vector<std::string> steps;
        const std::vector<std::vector<ECBase*>> order = music();
        for (int s = 0; s < kSteps; ++s) {
            steps.push_back(randomStep(random));
            SCOPED_TRACE(steps.back());
            expectBarsInStep();
            // No step adds or removes notes: a meter change moves music but never past other music.
            ASSERT_EQ(music(), order);
            pieces.push_back(stored());
        }
        for (int s = kSteps; s > 0; --s) {
            ASSERT_EQ(m_performance->Undo(1), 1);
            ASSERT_EQ(stored(), pieces[static_cast<size_t>(s) - 1]) << "undoing " << steps[static_cast<size_t>(s) - 1];
        }
        for (int s = 1; s <= kSteps; ++s) {
            ASSERT_EQ(m_performance->Redo(1), 1);
            ASSERT_EQ(stored(), pieces[static_cast<size_t>(s)]) << "redoing " << steps[static_cast<size_t>(s) - 1];
        }
    }
}

}  // namespace
