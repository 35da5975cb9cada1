#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCInt.h"
#include "platform/core/Object.h"

class ECBase;

// A data component: an object another library attaches to an element to keep its own data
// about it (the sequencer's playback data, say). Which class of component an element gets for
// a data type is registered with CPluginData. A component is owned, and deleted, by the
// element whose data array holds it, and holds no reference on it.
//
// Its cell carries a flag word, whose bit 0 is the dirty flag (set on a new component), and
// a value; the other flag bits and the value belong to the derived class.
class NOTABASE_API DCBase : public plat::Object {
    PLAT_DECLARE_SERIAL(DCBase)
public:
    DCBase() = default;
    // A copy has the other's cell and no owner.
    DCBase(const DCBase& other) : plat::Object(), m_cell(other.m_cell) {}
    // The base copies nothing; each derived class assigns its own fields.
    DCBase& operator=(const DCBase&) { return *this; }
    // Equal when the cells' values are.
    bool operator==(const DCBase& other) const { return m_cell == other.m_cell; }
    bool operator!=(const DCBase& other) const { return !(*this == other); }

    // The flag word, the value, then the owner as a reference. Documents before version 3
    // hold a 12-byte block instead, of which the last 8 bytes are the flag word and the value.
    void Serialize(plat::Archive& archive) override;
    // Assigns the given component to this one (when it is of this class) and returns this.
    virtual DCBase* Copy(plat::Object* other);
    // Runs once the whole graph has been loaded.
    virtual void PostSerialize(plat::Archive& archive);
    virtual int IsDirty() const;
    virtual void SetDirty(int dirty);
    virtual void SetOwner(ECBase* owner);
    ECBase* GetOwner() const { return m_owner; }

protected:
    FCInt& GetCell() { return m_cell; }
    const FCInt& GetCell() const { return m_cell; }

private:
    FCInt m_cell;
    ECBase* m_owner = nullptr;
};
