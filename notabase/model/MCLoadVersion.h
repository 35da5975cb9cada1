#pragma once

#include "notabase/NotabaseExport.h"

#include <optional>

namespace plat {
class Archive;
}

// Attaches the format version a load reads under to the archive being read, for as long as
// this object lives. The records below ask the archive they are read from, so a document
// reads under its own version whatever performance is active meanwhile, and a second archive
// read on the way (a paste, say) reads under its own. Attachments are made and ended in
// nesting order on the thread that reads; the archive's context is left to its owner.
class NOTABASE_API MCLoadVersion {
public:
    MCLoadVersion(const plat::Archive& archive, int version);
    ~MCLoadVersion();
    MCLoadVersion(const MCLoadVersion&) = delete;
    MCLoadVersion& operator=(const MCLoadVersion&) = delete;

    int GetVersion() const { return m_version; }

    // The version attached to the archive on this thread; none when there is none.
    static std::optional<int> Of(const plat::Archive& archive);
    // The version of the archive attached last on this thread and still attached: the
    // archive in use. None when there is none.
    static std::optional<int> InUse();

private:
    const plat::Archive& m_archive;
    int m_version;
    // The attachment that was innermost on this thread before this one.
    MCLoadVersion* m_outer;
};
