#pragma once

// A piece for the tests of the commands that change bars (meters and measures): staves, meters,
// tempo marks, notes, rests, clefs and keys put straight into the graph, and what a test reads
// back: the bar times, the meter map, the bar that holds an element.

#include "notabase/commands/CCBase.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECRest.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECConductorMeasure.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/tests/ScorePiece.h"

#include <string>
#include <vector>

class RebarTest : public ScoreTest {
protected:
    ECMeterEnv& meterMap() { return *conductorStaff().GetMeterEnv(); }
    ECTempoEnv& tempoMap() { return *conductorStaff().GetTempoEnv(); }

    // A meter straight into the map; bars appended afterwards take its length.
    ECMeter* putMeter(float time, unsigned char numerator, unsigned char denominator)
    {
        ECMeter* meter = newMeter(time, numerator, denominator);
        meterMap().AddChild(meter, 1);
        return meter;
    }
    // A meter for a command to add: not in the map yet.
    static ECMeter* newMeter(float time, unsigned char numerator, unsigned char denominator)
    {
        auto* meter = new ECMeter(numerator, denominator, 0);
        MCTime at(time);
        meter->SetTime(&at);
        return meter;
    }
    ECTempo* putTempo(float time, float bpm)
    {
        auto* tempo = new ECTempo;
        MCTime at(time);
        tempo->SetTime(&at);
        tempo->SetTempo(bpm, 1.0f);
        tempoMap().AddChild(tempo, 1);
        return tempo;
    }
    // Bars of the meter in force, appended until the piece ends at the time.
    void barsUpTo(float end) { addBarsUpTo(end); }

    // Into the measure of the staff that holds the time, or the measure given.
    template <class E>
    E* put(E* element, int staff, float time, ECMeasure* measure = nullptr)
    {
        MCTime at(time);
        element->SetTime(&at);
        element->SetVoiceTrack(0, staff);
        if (!measure)
            measure = m_conductor->GetMeasure(staff, at, 0, 0);
        measure->AddChild(element, 1);
        return element;
    }
    ECNote* putNote(int staff, float time, float duration = 0.5f)
    {
        return put(new ECNote(MCTime(time), MCTime(duration)), staff, time);
    }
    ECRest* putRest(int staff, float time) { return put(new ECRest(5), staff, time); }
    ECClef* putClef(int staff, float time, ECMeasure* measure = nullptr) { return put(new ECClef(1), staff, time, measure); }
    ECKey* putKey(int staff, float time, unsigned char sharps = 1, ECMeasure* measure = nullptr)
    {
        return put(new ECKey(sharps, 0, 0), staff, time, measure);
    }

    // Applies a command as one undoable user action.
    void act(CCBase* command)
    {
        MCCommandMgr::BeginUndo(m_performance, "act");
        command->SetSynchronous(1);
        command->Apply(m_performance);
        MCCommandMgr::EndUndo(m_performance);
    }

    // The bar times, then the end of the piece.
    std::vector<float> bars()
    {
        std::vector<float> times;
        for (int n = 1; n <= m_conductor->GetMaxMeasureNumber(); ++n)
            times.push_back(m_conductor->GetMeasure(0, n)->GetTime()->GetSeconds());
        times.push_back(m_conductor->GetMaxMeasureEndTime().GetSeconds());
        return times;
    }
    // The meter map as "4/4@0 3/4@4".
    std::string meters()
    {
        std::string text;
        for (ECBase* point : *meterMap().GetChildren()) {
            auto* meter = static_cast<ECMeter*>(point);
            text += (text.empty() ? "" : " ") + std::to_string(meter->GetNumerator()) + "/"
                    + std::to_string(meter->GetDenominator()) + "@" + number(meter->GetTime()->GetSeconds());
        }
        return text;
    }
    std::string tempos()
    {
        std::string text;
        for (ECBase* point : *tempoMap().GetChildren())
            text += (text.empty() ? "" : " ") + number(point->GetTime()->GetSeconds());
        return text;
    }
    // The number of the bar whose measure holds the element; 0 when none does.
    int barOf(ECBase* element)
    {
        ECBase* measure = element->GetAncestor(EventId::Measure, 1);
        if (!measure)
            return 0;
        for (int n = 1; n <= m_conductor->GetMaxMeasureNumber(); ++n) {
            if (m_conductor->GetMeasure(element->GetTrack(), n) == measure)
                return n;
        }
        return 0;
    }
    float timeOf(ECBase* element) { return element->GetTime()->GetSeconds(); }
    std::vector<uint8_t> stored() { return storePiece(*m_performance); }

    static std::string number(float value)
    {
        std::string text = std::to_string(value);
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
        return text;
    }
};
