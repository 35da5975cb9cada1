#pragma once

// Small element classes for building graphs in tests: each reports the id of the class it
// stands in for, so walks, clip and bypass lists treat it as that class.

#include "notabase/model/ECWithChild.h"
#include "notabase/model/ECWithTime.h"
#include "notabase/model/ECWithTimeChild.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"

#include <cstdint>
#include <vector>

class TENote : public ECWithTime {
    PLAT_DECLARE_SERIAL(TENote)
public:
    TENote() = default;
    explicit TENote(float time) { MCTime t(time); SetTime(&t); }
    int GetEventId() const override { return EventId::Note; }
};

class TERest : public ECWithTime {
    PLAT_DECLARE_SERIAL(TERest)
public:
    int GetEventId() const override { return EventId::Rest; }
};

class TEMeasure : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(TEMeasure)
public:
    TEMeasure() = default;
    explicit TEMeasure(float time) { MCTime t(time); SetTime(&t); }
    int GetEventId() const override { return EventId::Measure; }
};

class TEStaff : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(TEStaff)
public:
    int GetEventId() const override { return EventId::Staff; }
};

class TEBeam : public ECWithChild {
    PLAT_DECLARE_SERIAL(TEBeam)
public:
    int GetEventId() const override { return EventId::Beam; }
};

class TEEnvelope : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(TEEnvelope)
public:
    int GetEventId() const override { return EventId::Envelope; }
};

class TEPoint : public ECWithTime {
    PLAT_DECLARE_SERIAL(TEPoint)
public:
    int GetEventId() const override { return EventId::EnvPoint; }
};

class TEConductor : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(TEConductor)
public:
    int GetEventId() const override { return EventId::Conductor; }
};

// A data component stored with its element.
class TEData : public plat::Object {
    PLAT_DECLARE_SERIAL(TEData)
public:
    TEData() { ++s_alive; }
    explicit TEData(int32_t value) : value(value) { ++s_alive; }
    ~TEData() override { --s_alive; }
    void Serialize(plat::Archive& archive) override
    {
        if (archive.isStoring())
            archive.writeI32(value);
        else
            value = archive.readI32();
    }

    int32_t value = 0;
    static int s_alive;
};

// A data component that is not an archive object: it is never stored.
class TETransientData : public plat::Object {
public:
    TETransientData() { ++s_alive; }
    ~TETransientData() override { --s_alive; }
    static int s_alive;
};

// Keeps the process-wide state the model reads (active performance, tick resolution, data
// maker) as it was before a test.
class ModelStateGuard {
public:
    ModelStateGuard()
        : m_active(ECPerformance::SetActivePerformance(nullptr)),
          m_ppq(MCTime::GlobalPPQ),
          m_maker(ECBase::SetDataMaker(nullptr))
    {
    }
    ~ModelStateGuard()
    {
        ECPerformance::SetActivePerformance(m_active);
        MCTime::GlobalPPQ = m_ppq;
        ECBase::SetDataMaker(m_maker);
    }
    ModelStateGuard(const ModelStateGuard&) = delete;
    ModelStateGuard& operator=(const ModelStateGuard&) = delete;

private:
    ECPerformance* m_active;
    long m_ppq;
    ECBase::DataMaker m_maker;
};

// Makes the active performance report a format version for the length of a scope.
class ActiveVersion {
public:
    explicit ActiveVersion(int version) { m_performance.SetVersion(version); m_previous = ECPerformance::SetActivePerformance(&m_performance); }
    ~ActiveVersion() { ECPerformance::SetActivePerformance(m_previous); }
    ActiveVersion(const ActiveVersion&) = delete;
    ActiveVersion& operator=(const ActiveVersion&) = delete;

private:
    ECPerformance m_performance;
    ECPerformance* m_previous = nullptr;
};

// Stores an object graph from its root and hands back the bytes.
std::vector<uint8_t> storeObject(const plat::Object* root);
// Loads an object graph from bytes; throws ArchiveError on bad input.
plat::Object* loadObject(const std::vector<uint8_t>& bytes);
// The bytes a store function writes with its own archive.
template <class Fn>
std::vector<uint8_t> storeWith(Fn&& fn)
{
    plat::MemoryStream stream;
    {
        plat::Archive archive(stream, plat::Archive::Mode::store);
        fn(archive);
        archive.flush();
    }
    return stream.takeData();
}
template <class Fn>
void loadWith(const std::vector<uint8_t>& bytes, Fn&& fn)
{
    plat::MemoryStream stream(bytes);
    plat::Archive archive(stream, plat::Archive::Mode::load);
    fn(archive);
}
