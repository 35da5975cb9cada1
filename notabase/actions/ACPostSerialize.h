#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACBase.h"

namespace plat {
class Archive;
}

// The second pass over a graph once an archive is loaded: each element and each of its data
// components finishes its load. Beams, slurs and ties are not descended into: their children
// are reached through their measures.
class NOTABASE_API ACPostSerialize : public ACBase {
public:
    explicit ACPostSerialize(plat::Archive& archive) : m_archive(archive) {}

    int DoAction(ECBase* element) override;

private:
    plat::Archive& m_archive;
};
