#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/score/ECTrack.h"

class ECConductor;
class ECPerformanceBase;

// A digital-audio track: a track of wave clips that knows its conductor and performance. The
// conductor numbers the wave tracks apart from the staves, from 1.
class NOTABASE_API ECWaveTrack : public ECTrack {
    PLAT_DECLARE_SERIAL(ECWaveTrack)
public:
    ECWaveTrack() = default;
    ECWaveTrack(ECConductor* conductor, ECPerformanceBase* performance);
    ECWaveTrack(const ECWaveTrack& other);
    // The track and both references.
    ECWaveTrack& operator=(const ECWaveTrack& other);

    // The ECTrack record, then references to the conductor and the performance.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    ECConductor* GetConductor() const { return m_conductor; }
    ECPerformanceBase* GetPerformance() const { return m_performance; }

private:
    // References, not ownership.
    ECConductor* m_conductor = nullptr;
    ECPerformanceBase* m_performance = nullptr;
};
