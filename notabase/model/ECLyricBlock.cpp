#include "notabase/model/ECLyricBlock.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECLyricBlock, ECLyric, plat::kVersionableSchema | 2)

int ECLyricBlock::GetEventId() const
{
    return EventId::LyricBlock;
}

int ECLyricBlock::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Performance);
    return static_cast<int>(types.size());
}
