#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAddEnvPoint.h"

// Adds tempo marks to the tempo map, each item's parent being the map, preparing each mark from
// its tempo type: a tempo word takes the tempo of its word, "a tempo" the last tempo before it
// that is no gradual change or pause, and a gradual change ("accel.", "rall.", "rit.") or a pause
// gets a second mark at its end, so that the map ramps or holds and then returns. Tempos stay
// within 20 to 400. A pause without a word at time 0 pushes the mark standing there just before
// 0 (one tick); a second such pause is refused.
class NOTABASE_API CCAddTempo : public CCAddEnvPoint {
    PLAT_DECLARE_DYNCREATE(CCAddTempo)
public:
    static constexpr float minTempo = 20.0f;
    static constexpr float maxTempo = 400.0f;

    CCAddTempo() = default;

    int GetCommandId() override;
    int Prepare() override;
    // Fails, changing nothing, when a pause without a word goes to time 0 where one stands
    // already; a mark pushed before 0 goes back to where it was when the adding fails.
    int Process() override;
    int Finish() override;
    void Undo() override;

    // Marks put back by an undo keep what they had: their tempos, styles and groups are not
    // prepared again from the marks around them, which may have changed since.
    int IsRestoring() const { return m_restoring; }
    void SetRestoring(int restoring) { m_restoring = restoring ? 1 : 0; }

protected:
    int PrepareItem(CCAddEnvPtItem* item) override;
    int ProcessItem(CCAddEnvPtItem* item) override;

private:
    int m_restoring = 0;
};
