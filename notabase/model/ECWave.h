#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"
#include "notabase/values/MCTime.h"

#include <string>

// A wave clip of a wave track: a RIFF wave file, by name, placed at a time for a duration.
class NOTABASE_API ECWave : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECWave)
public:
    // Time 0, duration 0.
    ECWave();
    explicit ECWave(const std::string& fileName);
    ECWave(const MCTime& time, const std::string& fileName);
    // Takes the time and the file name, not the duration.
    ECWave(const ECWave& other);
    // The voice/track word and the file name; not the time nor the duration.
    ECWave& operator=(const ECWave& other);
    // Equal times and file names (case counts); the duration does not.
    bool operator==(const ECWave& other) const;
    bool operator!=(const ECWave& other) const { return !(*this == other); }

    // The ECWithTimeChild record, the file name, the duration.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    MCTime* GetDuration() override { return &m_duration; }
    void SetDuration(const MCTime* duration) override;

    const std::string& GetFileName() const { return m_fileName; }
    void SetFileName(const std::string& fileName) { m_fileName = fileName; }

private:
    std::string m_fileName;
    MCTime m_duration{0.0f};
};
