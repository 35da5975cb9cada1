#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvelope.h"

class MCTime;

// The program changes of a staff over time. A patch value packs a bank select and a program
// into one number, bank MSB x 16384 + bank LSB x 128 + program (each 0..127), so the whole
// patch travels as one envelope value, 0..2097151.
class NOTABASE_API ECPatchEnv : public ECEnvelope {
    PLAT_DECLARE_SERIAL(ECPatchEnv)
public:
    ECPatchEnv() = default;
    ECPatchEnv(const ECPatchEnv& other) = default;
    ECPatchEnv& operator=(const ECPatchEnv& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    // Each byte is taken modulo 128.
    static float MakePatchValue(unsigned char msb, unsigned char lsb, unsigned char program);
    // The parts of a patch value, truncated toward zero first.
    static int GetBankMSB(float value);
    static int GetBankLSB(float value);
    static int GetProgram(float value);

    // The patch in force at the time, split into its parts. It is an evaluation of the
    // envelope (unclamped), so it answers whether the patch changed since the last one.
    int GetPatch(const MCTime& time, unsigned long& msb, unsigned long& lsb, unsigned long& program);
    // Makes the program-change point at the time carry the patch, adding a point there when
    // there is none. 0 when the patch has a part above 127 or the point cannot be added.
    int SetPatch(const MCTime& time, unsigned long msb, unsigned long lsb, unsigned long program);
};
