#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/MCEventList.h"
#include "platform/core/RefPtr.h"

#include <memory>
#include <vector>

class ECTrack;

// Duplicates whole tracks: each staff or wave track given is added again as a new track (a
// twin) after the others, and a staff's twin receives copies of the staff's envelopes and
// texts and of the notes, chord symbols, lyrics, clefs and keys of its measures. The copies are
// fresh elements made through the clipboard's stored form (CCCopy::DoCopyEvents). Undo takes
// the copies out again, then the twins.
//
// Each source staff has its own copies, made once per command, so that redo puts back the
// same elements and no twin takes another's copies.
class NOTABASE_API CCCopyTracks : public CCAddTrack {
    PLAT_DECLARE_DYNCREATE(CCCopyTracks)
public:
    CCCopyTracks();
    ~CCCopyTracks() override;

    int GetCommandId() override;
    void SetDocument(void* document) { m_document = document; }
    void* GetDocument() const { return m_document; }

    // Lists the track; a staff or a wave track gets its twin, added as a new track. A track of
    // another kind is only listed.
    void CopyTrack(ECTrack* track);
    // Copies each source staff's elements into its twin with commands of their own that are
    // not undone by themselves (this command's Undo takes them out).
    int Finish() override;
    void Undo() override;

    MCEventList& GetSourceTracks() { return m_sources; }
    // The copies made for a source staff's twin: its own elements, or those of its measures;
    // null for a track that is no source staff of this command.
    MCEventList* GetStaffCopies(ECTrack* source);
    MCEventList* GetMeasureCopies(ECTrack* source);

private:
    struct TrackCopy {
        plat::RefPtr<ECTrack> source;
        plat::RefPtr<ECTrack> twin;
        bool gathered = false;
        MCEventList staffElements;
        MCEventList measureElements;
        // Add and remove commands keep what they put in and take out through holds; so does
        // this command for the copies, which it puts back on redo.
        std::vector<std::unique_ptr<MCCommandHold>> holds;
    };

    TrackCopy* findCopy(ECTrack* source);
    // Finds the staff's own elements and the elements of its measures and copies them, once.
    void gather(TrackCopy& copy);
    void CopyStaffChildren(TrackCopy& copy);
    void CopyMeasureChildren(TrackCopy& copy);
    void DoCopyStaff(TrackCopy& copy);

    MCEventList m_sources{10};
    std::vector<std::unique_ptr<TrackCopy>> m_copies;
    void* m_document = nullptr;
};
