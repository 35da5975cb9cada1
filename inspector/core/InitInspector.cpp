#include "inspector/core/InitInspector.h"

#include "inspector/pages/PCPerformance.h"
#include "inspector/pages/PCsqAccent.h"
#include "inspector/pages/PCsqControlChange.h"
#include "inspector/pages/PCsqDynamic.h"
#include "inspector/pages/PCsqEnvelope.h"
#include "inspector/pages/PCsqFlow.h"
#include "inspector/pages/PCsqNote.h"
#include "inspector/pages/PCsqPitchBend.h"
#include "inspector/pages/PCsqStaffAppearance.h"
#include "inspector/pages/PCsqStaffInstrument.h"
#include "inspector/pages/PCsqStaffPerform.h"
#include "inspector/pages/PCsqSysEx.h"
#include "inspector/pages/PCsqTempo.h"
#include "inspector/pages/PCsqWave.h"
#include "interface/document/CPluginInspector.h"
#include "notabase/model/EventTypes.h"

#include <QCoreApplication>

#include <iterator>

namespace {

// The pages by element type; the registry sorts the pages of one type by their order, so the
// staff's instrument page comes before its other pages.
CPluginInspector s_pages[] = {
    {EventId::Performance, &PCPerformance::classObject, 10},
    {EventId::Accent, &PCsqAccent::classObject, 10},
    {EventId::ControlChange, &PCsqControlChange::classObject, 10},
    {EventId::Dynamic, &PCsqDynamic::classObject, 10},
    {EventId::GraceNote, &PCsqNote::classObject, 10},
    {EventId::FlowControl, &PCsqFlow::classObject, 10},
    {EventId::Note, &PCsqNote::classObject, 10},
    {EventId::Pedal, &PCsqControlChange::classObject, 10},
    {EventId::PitchBend, &PCsqPitchBend::classObject, 10},
    {EventId::Staff, &PCsqStaffInstrument::classObject, 2},
    {EventId::Staff, &PCsqStaffAppearance::classObject, 3},
    {EventId::Staff, &PCsqStaffPerform::classObject, 10},
    {EventId::SystemMessage, &PCsqSysEx::classObject, 10},
    {EventId::Tempo, &PCsqTempo::classObject, 10},
    {EventId::Wave, &PCsqWave::classObject, 10},
    {EventId::Envelope, &PCsqEnvelope::classObject, 10},
    {EventId::ChanPressureEnv, &PCsqEnvelope::classObject, 10},
    {EventId::ControllerEnv, &PCsqEnvelope::classObject, 10},
    {EventId::NRPNEnv, &PCsqEnvelope::classObject, 10},
    {EventId::PitchBendEnv, &PCsqEnvelope::classObject, 10},
    {EventId::PolyPressureEnv, &PCsqEnvelope::classObject, 10},
    {EventId::RPNEnv, &PCsqEnvelope::classObject, 10},
    {EventId::TempoEnv, &PCsqEnvelope::classObject, 10},
};

// The registry deletes a page with its last registration. The pages are widgets, so they go
// while the application object still exists rather than when the library unloads.
void removePages()
{
    for (CPluginInspector& registration : s_pages)
        CPluginInspector::RemovePlugin(&registration);
}

}  // namespace

int InitInspector()
{
    for (CPluginInspector& registration : s_pages)
        CPluginInspector::AddPlugin(&registration);
    if (QCoreApplication::instance()) {
        qRemovePostRoutine(removePages);
        qAddPostRoutine(removePages);
    }
    return static_cast<int>(std::size(s_pages));
}
