#pragma once

#include "sequencer/SequencerExport.h"

namespace plat {
class Archive;
class Object;
}  // namespace plat

// The objects that sequencer records own after reading them from an archive (filters, envelope
// managers) and that are still held. An archive hands out an object it loaded before when the
// stream refers to it again, so a damaged stream could give one filter to two owners, which
// would both delete it: the second claim is refused with an archive error. Owners forget what
// they delete; objects are freed on whatever thread drops the graph, hence the lock.
class SEQUENCER_API MCLoadClaims {
public:
    // Claims a loaded object for its reader; null is fine. Throws ArchiveError when another
    // owner holds it already.
    static void Claim(const plat::Object* object, const char* what);
    // The object is no longer held by the owner that claimed it (or was never claimed).
    static void Forget(const plat::Object* object);
    // Whether a load gave the object to an owner that still holds it.
    static bool IsClaimed(const plat::Object* object);

    // Deletes a claimed object, forgetting the claim first.
    struct Deleter {
        void operator()(plat::Object* object) const;
    };
};
