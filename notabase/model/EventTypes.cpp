#include "notabase/model/EventTypes.h"

#include "notabase/model/ECBase.h"
#include "platform/core/Object.h"

namespace {

struct EventType {
    const char* name;
    bool creatable;
};

// Indexed by element id. The ids are fixed numbers shared with stored documents and other
// libraries, so the table is written out, never computed from the names.
constexpr EventType eventTypes[EventId::Count] = {
    {"ECAccent", true},           {"ECAccidental", true},      {"ECArpeggio", true},
    {"ECBankLSB", false},         {"ECBankMSB", false},        {"ECBarline", true},
    {"ECBase", true},             {"ECBeam", true},            {"ECBrac", true},
    {"ECChannelMode", true},      {"ECChannelPressure", true}, {"ECChanPressureEnv", false},
    {"ECChord", true},            {"ECChordSymbol", true},     {"ECClef", true},
    {"ECConductor", true},        {"ECConductorMeasure", true}, {"ECConductorStaff", true},
    {"ECControlChange", true},    {"ECControllerEnv", false},  {"ECDot", true},
    {"ECDynamic", true},          {"ECEnvelope", false},       {"ECEnvPoint", false},
    {"ECFlowControl", true},      {"ECFrame", true},           {"ECGlissando", false},
    {"ECGraceNote", true},        {"ECGroup", true},           {"ECKey", true},
    {"ECLyric", true},            {"ECLyricBlock", true},      {"ECMeasure", true},
    {"ECMeter", true},            {"ECMeterEnv", false},       {"ECMirror", true},
    {"ECMordent", true},          {"ECNote", true},            {"ECNRPNEnv", false},
    {"ECNRPNPoint", false},       {"ECOrnament", true},        {"ECPan", true},
    {"ECPatchEnv", false},        {"ECPedal", true},           {"ECPerformance", true},
    {"ECPitchBend", true},        {"ECPitchBendEnv", false},   {"ECPolyPressure", true},
    {"ECPolyPressureEnv", false}, {"ECProgramChange", true},   {"ECRepeat", true},
    {"ECRest", true},             {"ECRPNEnv", false},         {"ECRPNPoint", false},
    {"ECSlur", true},             {"ECStaff", true},           {"ECSystemMessage", true},
    {"ECTempo", true},            {"ECTempoEnv", false},       {"ECText", true},
    {"ECTie", true},              {"ECTrack", true},           {"ECTranspose", true},
    {nullptr, false},             {"ECTremolo", true},         {"ECTrill", true},
    {"ECTuplet", true},           {"ECTurn", true},            {nullptr, false},
    {nullptr, false},             {"ECWave", true},            {"ECWaveTrack", true},
    {"ECWithChild", true},        {"ECWithTime", true},        {"ECWithTimeChild", true},
};

}  // namespace

const plat::RuntimeClass* GetEventRuntimeClass(int id)
{
    if (id < 0 || id >= EventId::Count || !eventTypes[id].creatable)
        return nullptr;
    const plat::RuntimeClass* cls = plat::RuntimeClass::fromName(eventTypes[id].name);
    // A class registered under an element's name must be an element.
    return cls && cls->isDerivedFrom(&ECBase::classObject) ? cls : nullptr;
}

ECBase* CreateEvent(int id)
{
    const plat::RuntimeClass* cls = GetEventRuntimeClass(id);
    if (!cls)
        return nullptr;
    return static_cast<ECBase*>(cls->createObject());
}
