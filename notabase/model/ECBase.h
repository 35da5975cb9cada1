#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/MCDataArray.h"
#include "notabase/model/MCEventList.h"
#include "platform/core/Object.h"

#include <atomic>
#include <cstdint>
#include <vector>

class DCBase;
class MCTime;
class MCVoiceTrack;

// The root of every element of a piece. Elements form a directed acyclic graph: each has an
// ordered list of parents (and, from ECWithChild on, of children); every list node that holds
// an element holds a counted reference on it, and the element is deleted when the last goes.
// An element carries up to six data components that other libraries attach by data type, a
// selection flag, and its element id.
class NOTABASE_API ECBase : public plat::Object {
    PLAT_DECLARE_SERIAL(ECBase)
public:
    // Bits of the flags word. Bits 8-15 belong to derived classes and are not written by the
    // record head.
    enum : uint16_t {
        flagHasData = 0x0001,      // at least one data component is an archive object
        flagHasChildren = 0x0002,  // the child list is not empty
        flagSelected = 0x0004,
    };

    ECBase();
    // A copy starts fresh: no references, parents, data or selection.
    ECBase(const ECBase& other);
    // The base copies nothing; each derived class assigns its own fields.
    ECBase& operator=(const ECBase&) { return *this; }
    ~ECBase() override;

    bool operator==(const ECBase& other) const { return this == &other; }
    bool operator!=(const ECBase& other) const { return this != &other; }

    // Record head: the low byte of the flags, then the data array when flags bit 0 is set.
    // A loaded element is never selected.
    void Serialize(plat::Archive& archive) override;
    // Assigns the given element to this one (when it is of this class) and returns this.
    virtual ECBase* Copy(plat::Object* other);
    virtual int GetEventId() const;
    // Appends the ids of the element types this one may stand under; returns their number.
    virtual int GetParentTypes(std::vector<int>& types) const;
    virtual int IsSelected() const;
    virtual void SetSelected(int selected);
    // The element's time, or null when it has none.
    virtual MCTime* GetTime();
    virtual void SetTime(const MCTime* time);
    virtual MCTime* GetDuration();
    virtual void SetDuration(const MCTime* duration);
    virtual MCVoiceTrack* GetVoiceTrack();
    virtual void SetVoiceTrack(int voice, int track);
    virtual void SetVoiceTrack(const MCVoiceTrack* voiceTrack);
    // 15 and 2047 when the element has no voice/track word or it is converted.
    virtual int GetVoice();
    virtual void SetVoice(int voice);
    virtual int GetTrack();
    virtual void SetTrack(int track);
    virtual MCEventList* GetParents();
    // The first element of that id among this element and its ancestors (depth first,
    // parents in list order), within depth levels (-1: any); null when none.
    virtual ECBase* GetAncestor(int type, int depth);
    virtual int AddParent(ECBase* parent);
    // Removes the first node holding the parent; 1, or 0 when it is not a parent.
    virtual int RemoveParent(ECBase* parent);
    // Asks each parent, in order, to remove this element from its children.
    virtual int RemoveFromParents();
    virtual MCEventList* GetChildren();
    // The first element of that id among this element and its descendants, within depth levels
    // (-1: any); beams, slurs, ties and glissandi are visited but not descended into.
    virtual ECBase* GetDescendant(int type, int depth);
    virtual int AddChild(ECBase* child, int sorted);
    virtual int RemoveChild(ECBase* child, int recursive);
    virtual int RemoveChildren(int recursive);
    // The component of a data type (types outside 0..5 count as type 0); with create, a missing
    // one is made from the class registered with CPluginData for the type and this element's
    // id, and kept.
    virtual DCBase* GetData(int type, int create);
    virtual MCDataArray* GetData();
    // Deletes the component of a data type, or every component for -1.
    virtual void RemoveData(int type);
    // Runs once a whole graph has been loaded.
    virtual void PostSerialize(plat::Archive& archive);

    // Reference counting. The count is the number of list nodes that hold the element.
    uint32_t Ref() { return ++m_refCount; }
    // Decrements a count above 0; with deleteAtZero, deletes the element at 0 and returns 0.
    // An element that is already being destroyed is never deleted again. Held through
    // plat::RefPtr, which releases with Unref().
    uint32_t Unref(int deleteAtZero = 1);
    uint32_t GetRefCount() const { return m_refCount; }

    // Add and remove commands keep the elements they change for undo and redo (MCCommandHold).
    // The holds are counted so that an element a remove command took out of the piece is taken
    // apart only once no command can put it back; until then its taking apart is pending.
    uint32_t AddCommandHold() { return ++m_commandHolds; }
    // Lowers the count, not below 0; returns what is left.
    uint32_t ReleaseCommandHold();
    uint32_t GetCommandHolds() const { return m_commandHolds; }
    bool IsTakeApartPending() const { return m_takeApartPending; }
    void SetTakeApartPending(bool pending) { m_takeApartPending = pending; }

    uint16_t GetFlags() const { return m_flags; }

    // After a failed load: drops the parent links and the data components without deleting
    // anything; the archive deletes every object it made.
    void unlinkAfterFailedLoad() override;

    // True while the element is reading its child list from an archive: a reference to it from
    // below would close a cycle.
    bool IsLoading() const { return m_loading; }

protected:
    void SetFlags(uint16_t flags) { m_flags = flags; }
    void SetLoading(bool loading) { m_loading = loading; }
    // Called first by the destructors that take the graph apart: a root is deleted while its
    // children's parent lists still hold references on it, and releasing those must not
    // delete it a second time.
    void markDestroying() { m_destroying = true; }
    void updateDataFlag();

private:
    uint16_t m_flags = 0;
    bool m_loading = false;
    bool m_destroying = false;
    // 32 bits rather than 16: a parent of more than 65535 children is held once by each
    // child's parent list, and a 16-bit count would wrap and free it while in use.
    // Atomic: commands and states may be applied from any thread, and applying one holds a
    // reference on its performance.
    std::atomic<uint32_t> m_refCount = 0;
    std::atomic<uint32_t> m_commandHolds = 0;
    std::atomic<bool> m_takeApartPending = false;
    MCDataArray m_data;
    MCEventList m_parents;
};
