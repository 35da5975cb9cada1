#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTime.h"

// A placeholder that shows a key, clef, meter or tempo mark again on another staff. It points
// at the element it repeats without holding it; that element lists its mirrors and sets their
// pointers to null when it goes.
class NOTABASE_API ECMirror : public ECWithTime {
    PLAT_DECLARE_SERIAL(ECMirror)
public:
    ECMirror() = default;
    // Points at the element without registering with it.
    explicit ECMirror(ECBase* event) : m_event(event) {}
    // The copy points at the same element, unregistered.
    ECMirror(const ECMirror& other) = default;
    // Takes the voice/track word and the pointer, unregistered.
    ECMirror& operator=(const ECMirror& other);

    // Nothing beyond the ECWithTime record: the mirrored element is stored in the second pass.
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // Stores the mirrored element as a reference, or loads it and links to it. A loaded
    // reference to something no mirror can show, or to an element outside the piece, is
    // refused as damaged.
    void PostSerialize(plat::Archive& archive) override;

    ECBase* GetMirrorEvent() const { return m_event; }
    // Points at the element. With link, the mirror first leaves the mirror list of the element
    // it points at now and joins that of the new one; without, only the pointer changes (the
    // mirrored elements use that form while they keep their lists).
    void SetMirrorEvent(ECBase* event, int link);

private:
    ECBase* m_event = nullptr;
};
