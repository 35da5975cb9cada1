#include "interface/midifile/MCOpusMidiDoc.h"

#include "interface/document/MCOpusDoc.h"
#include "interface/midifile/MCMidiFile.h"

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
    return m_doc.GetSequence()->GetMidiFileEvents(begin, end, track, list);
}
