#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECLyric.h"

// A block of lyric text that belongs to the performance as a whole rather than to a measure.
// It is a lyric in its fields, its record, its copies and its comparisons; only its id and its
// parent differ.
class NOTABASE_API ECLyricBlock : public ECLyric {
    PLAT_DECLARE_SERIAL(ECLyricBlock)
public:
    ECLyricBlock() = default;
    explicit ECLyricBlock(const std::string& text) : ECLyric(text) {}
    ECLyricBlock(const ECLyricBlock& other) = default;
    ECLyricBlock& operator=(const ECLyricBlock& other) = default;

    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
};
