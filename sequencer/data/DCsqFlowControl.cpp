#include "sequencer/data/DCsqFlowControl.h"

#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECPerformanceBase.h"
#include "platform/core/Archive.h"
#include "sequencer/transport/CSequence.h"

PLAT_IMPLEMENT_SERIAL(DCsqFlowControl, DCsqBase, plat::kVersionableSchema | 2)

namespace {

constexpr int kLoopBit = 1;
constexpr int kEnabledBit = 2;

// The sequence's flow flags: which kinds of jump were taken, and whether playback ended.
constexpr uint32_t kJumpOf6Or7 = 0x1;
constexpr uint32_t kJumpOf10To12 = 0x2;
constexpr uint32_t kJumpOf8Or9 = 0x4;
constexpr uint32_t kEnded = 0x8;

}  // namespace

DCsqFlowControl::DCsqFlowControl()
{
    SetEnabled(1);
    SetNumRepetitions(1);
}

DCsqFlowControl::DCsqFlowControl(const DCsqFlowControl& other) : DCsqBase(other)
{
    *this = other;
}

DCsqFlowControl& DCsqFlowControl::operator=(const DCsqFlowControl& other)
{
    if (this != &other) {
        DCsqBase::operator=(other);
        SetLoop(other.LoopSet());
        SetEnabled(other.IsEnabled());
        SetNumRepetitions(other.GetNumRepetitions());
    }
    return *this;
}

void DCsqFlowControl::Serialize(plat::Archive& archive)
{
    DCsqBase::Serialize(archive);
    if (archive.isLoading() && ECPerformanceBase::GetActiveVersion(archive) < 4)
        SetEnabled(1);
}

DCBase* DCsqFlowControl::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqFlowControl>(other))
        *this = *data;
    return this;
}

int DCsqFlowControl::GetClassType() const
{
    return SeqClassType::FlowControl;
}

void DCsqFlowControl::SetTargets(DCsqBase* initial, DCsqBase* final, CSequence* sequence)
{
    m_initialTarget = initial;
    m_finalTarget = final;
    m_sequence = sequence;
}

void DCsqFlowControl::SetLoop(int loop)
{
    GetCell().SetBitValue(kLoopBit, loop ? 1 : 0);
}

int DCsqFlowControl::LoopSet() const
{
    return GetCell().GetBitValue(kLoopBit);
}

void DCsqFlowControl::SetEnabled(int enabled)
{
    GetCell().SetBitValue(kEnabledBit, enabled ? 1 : 0);
}

int DCsqFlowControl::IsEnabled() const
{
    return GetCell().GetBitValue(kEnabledBit);
}

void DCsqFlowControl::SetNumRepetitions(int count)
{
    GetCell().SetHighValue(static_cast<uint16_t>(count));
}

int DCsqFlowControl::GetNumRepetitions() const
{
    return GetCell().GetHighValue();
}

DCsqBase* DCsqFlowControl::GetNextTarget(int* jump)
{
    int jumped = 0;
    DCsqBase* next = GetNext();
    const auto* owner = plat::dynamicDowncast<ECFlowControl>(GetOwner());
    if (!m_sequence || !IsEnabled() || !owner) {
        if (jump)
            *jump = 0;
        return next;
    }
    const int type = owner->GetFlowControlType();
    if (m_sequence->LoopRegionEnabled() && type != 18) {
        if (jump)
            *jump = 0;
        return next;
    }
    ++m_passCount;
    const bool firstPass = m_passCount == 1;
    const uint32_t flags = m_sequence->GetFlowState();
    auto jumpTo = [&jumped](DCsqBase* target) {
        jumped = 1;
        return target;
    };
    auto beginning = [this] { return m_sequence->GetBeginning(); };
    DCsqBase* target = next;
    switch (type) {
    case 1:
        if (m_passCount <= GetNumRepetitions() || LoopSet())
            target = jumpTo(m_initialTarget ? m_initialTarget : beginning());
        break;
    case 2:
        if (!firstPass && m_finalTarget)
            target = jumpTo(m_finalTarget);
        break;
    case 3:
        if ((flags & kJumpOf8Or9) && m_finalTarget)
            target = jumpTo(m_finalTarget);
        break;
    case 4:
        if ((flags & (kJumpOf6Or7 | kJumpOf10To12 | kJumpOf8Or9)) && m_finalTarget)
            target = jumpTo(m_finalTarget);
        break;
    case 5:
        if (flags & (kJumpOf6Or7 | kJumpOf10To12)) {
            m_sequence->SetFlowState(flags | kEnded);
            target = nullptr;
        }
        break;
    case 6:
    case 7:
        m_sequence->SetFlowState(flags | kJumpOf6Or7);
        if (firstPass)
            target = jumpTo(beginning());
        break;
    case 8:
    case 9:
        m_sequence->SetFlowState(flags | kJumpOf8Or9);
        if (firstPass)
            target = jumpTo(beginning());
        break;
    case 10:
    case 11:
    case 12:
        m_sequence->SetFlowState(flags | kJumpOf10To12);
        if (firstPass && m_initialTarget)
            target = jumpTo(m_initialTarget);
        break;
    case 18:
        if (!m_sequence->TestState(CSequence::stateMidiWriting))
            target = jumpTo(m_initialTarget ? m_initialTarget : beginning());
        break;
    case 20:
        if (firstPass)
            target = jumpTo(beginning());
        break;
    default:
        break;
    }
    if (jump)
        *jump = jumped;
    return target;
}

DCsqBase* DCsqFlowControl::PeekNextTarget(int* jump)
{
    const int32_t passCount = m_passCount;
    const uint32_t flags = m_sequence ? m_sequence->GetFlowState() : 0;
    DCsqBase* target = GetNextTarget(jump);
    m_passCount = passCount;
    if (m_sequence)
        m_sequence->SetFlowState(flags);
    return target;
}
