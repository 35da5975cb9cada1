#pragma once

#include "interface/InterfaceExport.h"

#include "notabase/commands/CCEdit.h"
#include "notabase/model/MCEventList.h"
#include "platform/core/RefPtr.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

class ECBase;
class MCCommandList;

// Copies the music of several staves into one output staff: their texts (but the track
// names), their notes with sequencer data and their lyrics, each copy on the output staff and
// in a voice chosen per source staff (or its own voice when voices are preserved). The source
// staves stay as they are.
//
// Its undo takes out again the copies its last run added.
class INTERFACE_API CCMergeStaves : public CCEdit {
    PLAT_DECLARE_DYNCREATE(CCMergeStaves)
public:
    static constexpr int kCommandId = 38401;
    static constexpr int kNoVoice = 15;

    CCMergeStaves();
    ~CCMergeStaves() override;

    int GetCommandId() override;
    // A staff not merged yet is added, with an empty voice map; anything else is ignored.
    void MergeStaff(ECBase* staff);
    void MergeStaves(MCEventList* staves);
    MCEventList& GetMergedStaves() { return m_staves; }
    void SetOutputStaff(ECBase* staff) { m_output.reset(staff); }
    ECBase* GetOutputStaff() const { return m_output.get(); }
    int GetPreserveVoices() const { return (m_flags & kPreserveVoices) ? 1 : 0; }
    void SetPreserveVoices(int preserve);
    // 15 for a staff not merged; the mapped voice; else 0.
    int GetMergeVoice(ECBase* staff, int voice) const;
    // Chooses each merged staff's target voice when staves were added since.
    void UpdateMergeInfo();

    int Prepare() override;
    int Process() override;
    void Undo() override;

protected:
    void DoMergeStaff(ECBase* staff, MCCommandList& commands);

private:
    static constexpr uint8_t kOutOfDate = 0x1;
    static constexpr uint8_t kPreserveVoices = 0x2;
    using VoiceMap = std::array<int, 16>;  // -1: the voice is not mapped
    // The voice of a copy from a staff; -1 when the staff contributes nothing.
    int TargetVoice(ECBase* staff, int voice) const;

    uint8_t m_flags = kPreserveVoices;
    MCEventList m_staves{10};
    plat::RefPtr<ECBase> m_output;
    std::unordered_map<const ECBase*, VoiceMap> m_voiceMaps;
    // The copies the last run added.
    std::vector<plat::RefPtr<ECBase>> m_added;
};
