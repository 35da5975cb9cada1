#include "notabase/model/ECPatchEnv.h"

#include "notabase/model/ECProgramChange.h"
#include "notabase/model/EventTypes.h"
#include "notabase/values/MCTime.h"

#include <cmath>
#include <memory>

PLAT_IMPLEMENT_SERIAL(ECPatchEnv, ECEnvelope, plat::kVersionableSchema | 2)

namespace {

// A patch value truncated toward zero; a value that is no int (a point's unset value is the
// largest float) gives 0.
int patchNumber(float value)
{
    if (!std::isfinite(value) || std::fabs(value) >= 2147483648.0f)
        return 0;
    return static_cast<int>(value);
}

}  // namespace

ECBase* ECPatchEnv::Copy(plat::Object* other)
{
    if (auto* envelope = plat::dynamicDowncast<ECPatchEnv>(other))
        *this = *envelope;
    return this;
}

int ECPatchEnv::GetEventId() const
{
    return EventId::PatchEnv;
}

int ECPatchEnv::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Staff);
    return static_cast<int>(types.size());
}

float ECPatchEnv::MakePatchValue(unsigned char msb, unsigned char lsb, unsigned char program)
{
    return static_cast<float>((msb & 127) * 16384 + (lsb & 127) * 128 + (program & 127));
}

int ECPatchEnv::GetBankMSB(float value)
{
    return (patchNumber(value) >> 14) & 127;
}

int ECPatchEnv::GetBankLSB(float value)
{
    return (patchNumber(value) >> 7) & 127;
}

int ECPatchEnv::GetProgram(float value)
{
    return patchNumber(value) & 127;
}

int ECPatchEnv::GetPatch(const MCTime& time, unsigned long& msb, unsigned long& lsb, unsigned long& program)
{
    float value = 0.0f;
    const int changed = GetValue(time, value, 0);
    msb = static_cast<unsigned long>(GetBankMSB(value));
    lsb = static_cast<unsigned long>(GetBankLSB(value));
    program = static_cast<unsigned long>(GetProgram(value));
    return changed;
}

int ECPatchEnv::SetPatch(const MCTime& time, unsigned long msb, unsigned long lsb, unsigned long program)
{
    if (msb > 127 || lsb > 127 || program > 127)
        return 0;
    const float value = MakePatchValue(static_cast<unsigned char>(msb), static_cast<unsigned char>(lsb),
                                       static_cast<unsigned char>(program));
    ECEnvPoint* existing = GetPointAt(time);
    auto* point = plat::dynamicDowncast<ECProgramChange>(existing);
    if (existing && !point)
        return 0;  // another kind of point holds the time
    if (!point) {
        auto added = std::make_unique<ECProgramChange>();
        added->SetTime(&time);
        if (!AddChild(added.get(), 1))
            return 0;
        point = added.release();  // the envelope holds it now
    }
    point->SetValue(value);
    point->SetBankMSB(static_cast<unsigned char>(msb));
    point->SetBankLSB(static_cast<unsigned char>(lsb));
    return 1;
}
