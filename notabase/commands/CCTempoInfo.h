#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECTempo.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

// A snapshot of a tempo mark, the tempo counterpart of CCMeterInfo: the mark (held), its time
// when the snapshot was taken, and whether it is to be removed.
class NOTABASE_API CCTempoInfo {
public:
    explicit CCTempoInfo(ECTempo* tempo);

    ECTempo* GetTempo() const { return m_tempo.get(); }
    MCTime& GetTime() { return m_time; }
    void SetRemove(int remove) { m_remove = remove; }
    int ShouldRemove() const { return m_remove; }

private:
    plat::RefPtr<ECTempo> m_tempo;
    MCTime m_time;
    int m_remove = 0;
};
