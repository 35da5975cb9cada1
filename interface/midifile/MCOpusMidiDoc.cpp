#include "interface/midifile/MCOpusMidiDoc.h"

#include "interface/document/MCOpusDoc.h"
#include "interface/midifile/MCMidiFile.h"
#include "notabase/model/ECBase.h"
#include "sequencer/data/DCsqBase.h"

ECPerformance* MCOpusMidiDoc::CreatePerformance(int create)
{
    if (m_doc.GetBaseEvent())
        m_doc.DestroyPerformance();
    return m_doc.CreatePerformance(create);
}

ECPerformance* MCOpusMidiDoc::GetPerformance()
{
    return m_doc.GetBaseEvent();
}

CSequence& MCOpusMidiDoc::GetSequence()
{
    return *m_doc.GetSequence();
}

void MCOpusMidiDoc::SetMidiFileStatus(const MCMidiFile& file, int fileType)
{
    MCOpusHeader* header = m_doc.GetHeader();
    header->SetFormat(fileType);
    const MCOpusHeader::FileStatus status = MCOpusHeader::FileStatus::of(file.GetFileName());
    if (!status.fullPath.empty())
        header->SetStatus(status);
}

int MCOpusMidiDoc::GetMidiFileEvents(const MCTime& from, const MCTime& to, int track, CWGEventList& list)
{
    MCTime begin = from;
    MCTime end = to;
    CWGEventList window;
    const int done = m_doc.GetSequence()->GetMidiFileEvents(begin, end, track, window);
    // The writer gives back one reference on the element of each tempo record; the sequence
    // keeps its tempo marks for the file alive with references of its own and gives the records
    // none, so each record takes its one here.
    for (const auto& record : window) {
        if (!record || record->type != CWGEventData::WG_EVENT_FILEMETA)
            continue;
        auto* data = reinterpret_cast<DCsqBase*>(record->data);
        if (data && data->GetClassType() == SeqClassType::Tempo)
            if (ECBase* element = data->GetOwner())
                element->Ref();
    }
    list.splice(list.end(), window);
    return done;
}
