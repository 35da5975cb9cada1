#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCMidiFilter.h"

class DCsqStaff;

// The volume layer of older documents: it names its staff.
class SEQUENCER_API LCMidiVolume : public LCMidiFilter {
    PLAT_DECLARE_SERIAL(LCMidiVolume)
public:
    LCMidiVolume() = default;
    LCMidiVolume(const LCMidiVolume& other) : LCMidiFilter(other) {}
    LCMidiVolume& operator=(const LCMidiVolume& other)
    {
        LCMidiFilter::operator=(other);
        return *this;
    }

    // The LCBase bytes, then the staff as a reference.
    void Serialize(plat::Archive& archive) override;
    LCBase* Copy(plat::Object* other) override;
    DCsqStaff* GetStaff() const { return m_staff; }
    void SetStaff(DCsqStaff* staff) { m_staff = staff; }

private:
    DCsqStaff* m_staff = nullptr;
};
