#include "interface/midifile/MCOpusMidiDocument.h"

#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusHeader.h"
#include "sequencer/transport/CSequence.h"

ECPerformance* MCOpusMidiDocument::CreatePerformance(int create)
{
    return m_doc.CreatePerformance(create);
}

ECPerformance* MCOpusMidiDocument::GetPerformance()
{
    return m_doc.GetBaseEvent();
}

CSequence& MCOpusMidiDocument::GetSequence()
{
    return *m_doc.GetSequence();
}

void MCOpusMidiDocument::SetMidiFileStatus(const MCMidiFile&, int fileType)
{
    MCOpusHeader* header = m_doc.GetHeader();
    header->SetStatus(MCOpusHeader::FileStatus::of(m_doc.GetPathName()));
    header->SetFormat(fileType);
}

int MCOpusMidiDocument::GetMidiFileEvents(const MCTime& from, MCTime& to, int track, CWGEventList& list)
{
    MCTime begin = from;
    return m_doc.GetSequence()->GetMidiFileEvents(begin, to, track, list);
}

void MCOpusMidiDocument::RecycleMidiFileEvents(CWGEventList& written)
{
    m_doc.GetSequence()->RecycleMidiFileEvents(written);
}
