#include "sequencer/data/MCLoadClaims.h"

#include "platform/core/ArchiveError.h"
#include "platform/core/Object.h"

#include <mutex>
#include <string>
#include <unordered_set>

namespace {

std::mutex& claimsLock()
{
    static std::mutex lock;
    return lock;
}

std::unordered_set<const plat::Object*>& claims()
{
    static std::unordered_set<const plat::Object*> held;
    return held;
}

}  // namespace

void MCLoadClaims::Claim(const plat::Object* object, const char* what)
{
    if (!object)
        return;
    std::lock_guard<std::mutex> guard(claimsLock());
    if (!claims().insert(object).second)
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, std::string(what) + ": one object stored for two owners");
}

void MCLoadClaims::Forget(const plat::Object* object)
{
    if (!object)
        return;
    std::lock_guard<std::mutex> guard(claimsLock());
    claims().erase(object);
}

bool MCLoadClaims::IsClaimed(const plat::Object* object)
{
    std::lock_guard<std::mutex> guard(claimsLock());
    return claims().count(object) != 0;
}

void MCLoadClaims::Deleter::operator()(plat::Object* object) const
{
    Forget(object);
    delete object;
}
