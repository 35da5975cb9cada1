#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"

// Notes sounding together, with the marks that belong to the chord as a whole. A chord lives
// only while it holds a note: losing its last note, or all its children, takes it out of the
// graph, and dissolving it hands its notes up to its measure.
class NOTABASE_API ECChord : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECChord)
public:
    ECChord() = default;
    ECChord(const ECChord& other) = default;
    ECChord& operator=(const ECChord& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // Removes the child; when no note is left the other children go too, and an empty chord
    // leaves its parents.
    int RemoveChild(ECBase* child, int recursive) override;
    // Removes every child, then leaves the parents.
    int RemoveChildren(int recursive) override;
    // Puts its notes into the nearest measure above it (each once), empties itself and
    // leaves its parents.
    int RemoveFromParents() override;

private:
    bool holdsNote();
    // Leaves the parents when no child is left, holding a reference on itself meanwhile: the
    // last one may free it.
    void leaveParentsWhenEmpty();
};
