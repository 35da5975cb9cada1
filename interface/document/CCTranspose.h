#pragma once

#include "interface/InterfaceExport.h"

#include "interface/document/ACTranspose.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/model/MCEventList.h"
#include "platform/core/RefPtr.h"

#include <cstdint>
#include <vector>

class ECBase;
class MCCommandList;

// Transposes a list of elements by a number of semitones and, when asked, moves the key
// signatures of the staves in the list by the same interval.
//
// Its undo gives back exactly the music before: the command notes every pitch and key it
// changed with its value before, and the inverse command puts those values back, also where
// the pitch limits or the rewriting of a key beyond seven accidentals acted.
class INTERFACE_API CCTranspose : public CCEdit {
    PLAT_DECLARE_DYNCREATE(CCTranspose)
public:
    static constexpr int kCommandId = 0x9600;

    CCTranspose();
    ~CCTranspose() override;

    int GetCommandId() override;
    int GetTransposeType() const { return m_type; }
    void SetTransposeType(int type) { m_type = type; }
    int GetTransposeAmount() const { return m_amount; }
    void SetTransposeAmount(int amount) { m_amount = amount; }
    int GetTransposeQuality() const { return m_quality; }
    int GetTransposeQuantity() const { return m_quantity; }
    void SetTransposeInterval(int quality, int quantity)
    {
        m_quality = quality;
        m_quantity = quantity;
    }
    int GetChangeKey() const { return m_changeKey; }
    void SetChangeKey(int changeKey) { m_changeKey = changeKey; }

    void TransposeEvent(ECBase* element);
    void TransposeEvents(MCEventList* elements);
    MCEventList& GetTransposeEvents() { return m_events; }

    // The command gives no edit items of its own.
    CCEditItem* EditEvent(ECBase* element) override;
    int Prepare() override;
    int Process() override;
    void Undo() override;

    // The key's new numbers of sharps and flats after moving it by steps of the circle of fifths.
    static void TransposeKey(int& sharps, int& flats, int steps);
    // The steps of the circle of fifths of an interval.
    static int KeySteps(int quality, int quantity, int amount);

private:
    struct KeyChange {
        plat::RefPtr<ECBase> key;
        uint8_t sharpsBefore, flatsBefore, sharpsAfter, flatsAfter;
    };
    void ChangeKey();
    // Sets the keys' numbers through one edit command, run at once and not kept for undo.
    void EditKeys(const std::vector<KeyChange>& changes, bool before);

    int m_type = 0;
    int m_amount = 12;
    int m_quality = 0;
    int m_quantity = 0;
    int m_changeKey = 0;
    MCEventList m_events{10};
    // What the last run changed, in order.
    std::vector<ACTranspose::Change> m_pitchChanges;
    std::vector<KeyChange> m_keyChanges;
    // An inverse: the values to put back instead of transposing.
    bool m_restore = false;
    std::vector<ACTranspose::Change> m_restorePitches;
    std::vector<KeyChange> m_restoreKeys;
};
