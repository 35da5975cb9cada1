#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"

#include <cstdint>

// The sequencer data of a flow-control mark (a repeat, an ending, a jump, a loop bound). It
// plays no events: pass by pass it decides where playback continues after the mark. Whether
// it acts at all, whether it loops for good and how often it repeats are bits of its flag
// word; the pass counter and the targets are set before playing.
class SEQUENCER_API DCsqFlowControl : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqFlowControl)
public:
    DCsqFlowControl();
    // A copy takes the loop bit, the enabled bit and the repetitions, and starts afresh.
    DCsqFlowControl(const DCsqFlowControl& other);
    DCsqFlowControl& operator=(const DCsqFlowControl& other);
    // Marks are never equal to anything: each stands where it is.
    bool operator==(const DCsqFlowControl&) const { return false; }
    bool operator!=(const DCsqFlowControl&) const { return true; }

    // The base record; a mark of a document before version 4 is enabled.
    void Serialize(plat::Archive& archive) override;
    DCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;

    // Where playback continues after this mark on this pass: the next data, the target of a
    // jump (jump set to 1), or null when playback ends here. Counts the pass.
    DCsqBase* GetNextTarget(int* jump);
    // The same answer without counting the pass or changing the sequence's flow flags.
    DCsqBase* PeekNextTarget(int* jump);

    void SetTargets(DCsqBase* initial, DCsqBase* final, CSequence* sequence);
    void ClearTargets() { SetTargets(nullptr, nullptr, nullptr); }
    // The sequence the targets were set for.
    CSequence* GetSequence() const { return m_sequence; }
    // Back to the first pass.
    void Reset() { m_passCount = 0; }
    DCsqBase* GetInitialTarget() const { return m_initialTarget; }
    DCsqBase* GetFinalTarget() const { return m_finalTarget; }
    int GetPassCount() const { return m_passCount; }

    void SetLoop(int loop);
    int LoopSet() const;
    void SetEnabled(int enabled);
    int IsEnabled() const;
    void SetNumRepetitions(int count);
    int GetNumRepetitions() const;

private:
    int32_t m_passCount = 0;
    DCsqBase* m_initialTarget = nullptr;
    DCsqBase* m_finalTarget = nullptr;
    CSequence* m_sequence = nullptr;
};
