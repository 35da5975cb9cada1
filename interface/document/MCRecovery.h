#pragma once

#include "interface/InterfaceExport.h"

#include <string>
#include <vector>

class MCOpusDoc;
class MCOpusTemplate;

// Recovery copies of documents: what auto-save writes of a modified document, and what is left
// when the program ends without closing its documents (its display lost, a crash). A titled
// document's copy is its "~" backup beside its file; an untitled one's (or one without a
// backup) goes to a folder of its own in the settings folder. Each copy written is recorded in
// the settings with the document's title and file and the process that wrote it; the record
// goes with the copy when the document is saved or closed. At the next start the copies whose
// writer has ended are offered back.
class INTERFACE_API MCRecovery {
public:
    struct Copy {
        std::string path;
        // The document's title when the copy was written.
        std::string title;
        // The document's own file; empty for an untitled document.
        std::string original;
    };

    // The folder of the copies of untitled documents.
    static std::string Folder();
    // Writes doc's copy as it stands when it is modified: into its backup, or, with
    // withoutBackup set, into a new file of the folder when it has none. 1 when written.
    static int SaveCopy(MCOpusDoc& doc, bool withoutBackup);
    // Forgets the record of the copy at path (the copy is gone or holds nothing unsaved).
    static void Forget(const std::string& path);
    // The copies that programs which have ended left behind. Those beside documents move into
    // the folder first, so that opening their documents again (which makes a new backup)
    // cannot overwrite them.
    static std::vector<Copy> Left();
    // Deletes a copy and its record.
    static void Discard(const Copy& copy);
    // Lists the copies left behind and asks what to do: Yes opens each into templ as a modified
    // untitled document under its old title (it keeps the copy as its backup, so the copy goes
    // once the document is saved or closed), No deletes them, Cancel keeps them for the next
    // start. The documents opened, their frames shown.
    static std::vector<MCOpusDoc*> Offer(MCOpusTemplate& templ);
};
