#include "notabase/model/MCLoadVersion.h"

namespace {

// The innermost attachment of this thread; each links to the one before it.
thread_local MCLoadVersion* t_innermost = nullptr;

}  // namespace

MCLoadVersion::MCLoadVersion(const plat::Archive& archive, int version)
    : m_archive(archive), m_version(version), m_outer(t_innermost)
{
    t_innermost = this;
}

MCLoadVersion::~MCLoadVersion()
{
    t_innermost = m_outer;
}

std::optional<int> MCLoadVersion::Of(const plat::Archive& archive)
{
    for (const MCLoadVersion* a = t_innermost; a; a = a->m_outer) {
        if (&a->m_archive == &archive)
            return a->m_version;
    }
    return std::nullopt;
}

std::optional<int> MCLoadVersion::InUse()
{
    return t_innermost ? std::optional<int>(t_innermost->m_version) : std::nullopt;
}
