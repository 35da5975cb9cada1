#pragma once

#include "inspector/InspectorExport.h"

#include "notabase/actions/ACBase.h"

#include <cstdint>
#include <vector>

class CSequence;
class MCOpusDoc;

// Sounds notes at once through the MIDI outputs their voices play on: each distinct note is
// sent once, for a quarter of a second, with its track's and staff's transposition.
class INSPECTOR_API ACPlayNotes : public ACBase {
public:
    static constexpr uint32_t kSoundMs = 250;

    struct Sound {
        int device;
        uint32_t noteOn;
        uint32_t noteOff;
        bool operator==(const Sound& other) const = default;
    };

    explicit ACPlayNotes(bool transpose = true);

    void SetDocument(MCOpusDoc* document) { m_document = document; }
    MCOpusDoc* GetDocument() const { return m_document; }
    const std::vector<Sound>& GetSounds() const { return m_sounds; }

    int BeginAction() override;
    int DoAction(ECBase* element) override;
    // Sends every sound collected.
    void EndAction() override;

private:
    bool m_transpose;
    std::vector<Sound> m_sounds;
    MCOpusDoc* m_document = nullptr;
    CSequence* m_sequence = nullptr;
};
