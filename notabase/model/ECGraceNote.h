#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECNote.h"

// An ornamental note hung under a note.
class NOTABASE_API ECGraceNote : public ECNote {
    PLAT_DECLARE_SERIAL(ECGraceNote)
public:
    ECGraceNote() = default;
    ECGraceNote(const MCTime& time, const MCTime& duration) : ECNote(time, duration) {}
    ECGraceNote(const ECGraceNote& other) = default;
    ECGraceNote& operator=(const ECGraceNote& other) = default;

    // The note's record. Documents before version 3 hold a second duration after it, which
    // is the one kept.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
};
