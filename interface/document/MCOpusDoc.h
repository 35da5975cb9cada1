#pragma once

#include "interface/InterfaceExport.h"

#include "interface/document/MCOpusHeader.h"
#include "notabase/model/MCEventList.h"
#include "platform/core/CallbackList.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/command/CommandTarget.h"
#include "platform/storage/Storage.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/transport/CSequence.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ECBase;
class ECPerformance;
class LCBase;
class SCBase;
namespace plat {
class Archive;
class ByteStream;
class MemoryStream;
}

// The document of one piece of music, whether it came from a native document, a template, a
// Standard MIDI File or a RIFF MIDI file. It owns the piece's element graph (its performance),
// its sequence, its header, the selection and the last transport state; it keeps the file it
// was opened from held open (a compound file, or any other file as its own bytes) together
// with a "~" backup beside it; it reads and writes the file in the format the header names;
// and it passes every state applied to its performance on to its sequence and its views.
//
// This is the document's core: no windows. The program's frames, dialogs and menus call it,
// and reach the user through plat::UserPrompt and the hooks below.
//
// Threads: everything runs on the main thread, except the freeing of a closed performance,
// which runs on a worker thread of its own.
class INTERFACE_API MCOpusDoc : public plat::Object, public plat::ui::CommandTarget {
    PLAT_DECLARE_DYNCREATE(MCOpusDoc)
public:
    // The readers and the writer of MIDI files, which live above the document. A reader gets
    // the file's bytes (at their start) and answers 1 when it took the file; the writer
    // stores the document as a Standard MIDI File of a type (0 or 1) and resolution.
    struct MidiFormats {
        std::function<int(plat::MemoryStream& contents, MCOpusDoc& doc)> readRmi;
        std::function<int(plat::MemoryStream& contents, MCOpusDoc& doc)> readMidi;
        std::function<void(plat::ByteStream& out, MCOpusDoc& doc, int type, int ppq)> writeMidi;
    };
    static MidiFormats SetMidiFormats(MidiFormats formats);

    // The save dialog: gets the proposed name, the header's format and whether the name
    // replaces the document's; sets the name and the format chosen, or answers false when the
    // user cancelled.
    using SaveDialog = std::function<bool(std::string& name, int& format, int replace)>;
    static SaveDialog SetSaveDialog(SaveDialog dialog);

    // Called before each block of a file being saved reaches the disk (see plat::Storage).
    static plat::Storage::WriteProbe SetWriteProbe(plat::Storage::WriteProbe probe);

    MCOpusDoc();
    ~MCOpusDoc() override;
    MCOpusDoc(const MCOpusDoc&) = delete;
    MCOpusDoc& operator=(const MCOpusDoc&) = delete;

    // The active document of the process and its performance.
    static MCOpusDoc* GetActiveDoc();
    static MCOpusDoc* SetActiveDoc(MCOpusDoc* doc);
    // Waits (at most 30 s) until no worker frees a performance any more; 1 when none does.
    // With close set, later performances are freed on the thread that lets them go: the
    // program calls it once at exit, after which nothing would wait for a worker.
    static int WaitThreadsFinished(int close);
    // The worker: takes the graph below the performance apart and releases it.
    static unsigned ThreadDestroyProc(void* performance);
    // The state handler registered with the performance: OnUpdate(code, state) for phase 0.
    static int OnUpdate(ECBase* performance, int phase, void* state, void* doc);

    MCOpusHeader* GetHeader() { return &m_header; }
    CSequence* GetSequence() { return &m_sequence; }
    ECPerformance* GetBaseEvent() const { return m_performance; }
    MCEventList& GetSelection() { return m_selection; }
    SCPerform& GetPerformState() { return m_performState; }

    // The views: each gets every state as an update hint (the state's code) beside the state.
    [[nodiscard]] plat::Connection AddView(std::function<void(long hint, SCBase* state)> view);
    void UpdateAllViews(long hint, SCBase* state);

    ECPerformance* CreatePerformance(int withConductor);
    void DestroyPerformance();

    // Framework operations.
    const std::string& GetPathName() const { return m_pathName; }
    // With a path: the file's status goes into the header. An empty path makes the document
    // untitled. With addToRecent the path goes to the recent-file hook. Either way the name
    // listeners hear of it.
    void SetPathName(const std::string& path, int addToRecent = 1);
    // What a document's new path is told to: the program's recent-file list.
    using RecentFileHook = std::function<void(const std::string& path)>;
    static RecentFileHook SetRecentFileHook(RecentFileHook hook);
    // Called when the document's path and title change (a frame's title follows them).
    [[nodiscard]] plat::Connection AddNameListener(std::function<void()> listener);
    const std::string& GetTitle() const { return m_title; }
    void SetTitle(const std::string& title) { m_title = title; }
    int IsModified() const { return m_modified ? 1 : 0; }
    void SetModifiedFlag(int modified = 1) { m_modified = modified != 0; }
    void DeleteContents();
    int OnNewDocument();
    int OnOpenDocument(const std::string& path);
    // Reads the file into the document as new contents (a template opened as a new piece):
    // the document neither holds the file nor writes anything beside it, and keeps its name.
    int OnOpenDocumentCopy(const std::string& path);
    int OnSaveDocument(const std::string& path);
    // Stop, state 1303, then the contents go; whoever holds the document deletes it.
    void OnCloseDocument();
    // Saves under a name (asking for one when path is empty); with replace, the document takes
    // the name. 1 when saved.
    int DoSave(const std::string& path, int replace);
    // The auto-save: writes the document as it stands into its backup file.
    int SaveBackupFile();
    // Tells the user why a load or save failed.
    void ReportSaveLoadException(const std::string& path, const std::exception& error, int saving);
    // The message for a file that cannot be read as a document: its name and the reason.
    static std::string CannotOpenText(const std::string& path, const std::exception& error);

    // Storage.
    void CreateRootStorage(const std::string& path);
    void ReleaseRootStorage();
    const plat::Storage* GetRootStorage() const { return m_rootStorage.get(); }
    int LoadOLE(const std::string& path);
    void LoadFromStorage();
    void CreateBackupFile(const std::string& path);
    void DeleteBackupFile();
    const std::string& GetBackupPath() const { return m_backupPath; }
    // Where the auto-save of a document without a file of its own goes.
    void SetBackupPath(const std::string& path) { m_backupPath = path; }

    // The archive.
    void Serialize(plat::Archive& archive) override;
    virtual void Read(plat::Archive& archive);
    virtual void ReadHeader(plat::Archive& archive);
    virtual void Write(plat::Archive& archive);
    virtual void WriteHeader(plat::Archive& archive);
    virtual void OnUpdate(long hint, SCBase* state);

    // File menu: each stops the transport first.
    void OnFileClose();
    int OnFileSave();
    int OnFileSaveAs();
    // Asks whether to save a modified document; 0 when the user cancelled or the save failed.
    int SaveModified();

    // Edit menu.
    void OnEditCopy();
    int OnUpdateEditCopy() const;
    void OnEditPaste();
    int OnUpdateEditPaste() const;
    void OnEditUndo();
    void OnEditRedo();
    // Whether there is something to undo (redo), and the menu text naming it.
    int OnUpdateEditUndo(std::string& text) const;
    int OnUpdateEditRedo(std::string& text) const;
    // Delete takes the selection out of the piece as one undo step; Cut copies it first.
    void OnEditClear();
    int OnUpdateEditClear() const;
    void OnEditCut();
    int OnUpdateEditCut() const;

    // The Edit commands (undo, redo, cut, copy, paste, delete) as the command router brings
    // them to the active document.
    static constexpr uint32_t kEditClear = 57632, kEditCopy = 57634, kEditCut = 57635, kEditPaste = 57637,
                              kEditUndo = 57643, kEditRedo = 57644;
    bool onCommand(uint32_t id) override;
    bool onUpdateCommand(uint32_t id, plat::ui::CommandState& state) override;

private:
    // The sequence's record in the archive.
    void SerializeSequence(plat::Archive& archive);
    // Writes the document in the format of its header into the stream.
    void WriteContents(plat::ByteStream& stream);
    // The same bytes, gathered.
    std::vector<uint8_t> WriteContents();
    void ApplyStop();
    static plat::UserPrompt::Answer Message(const std::string& text, plat::UserPrompt::Icon icon,
                                            plat::UserPrompt::Buttons buttons = plat::UserPrompt::Buttons::ok);
    void ClearLoadedFilters();

    MCOpusHeader m_header;
    CSequence m_sequence;
    ECPerformance* m_performance = nullptr;
    MCEventList m_selection{10};
    MCEventList m_toggleBase{10};
    SCPerform m_performState{3300};
    std::string m_backupPath;
    std::unique_ptr<plat::Storage> m_rootStorage;
    std::string m_pathName;
    std::string m_title;
    // Where the last OnSaveDocument wrote (its name may differ from the one asked for).
    std::string m_savedPath;
    bool m_modified = false;
    // Set while a file is read as the contents of a new document: no backup beside it.
    bool m_readingCopy = false;
    // How many objects the last load or save of the archive held: the next save sizes its
    // tables for as many.
    size_t m_archiveObjects = 0;
    // The filters read with the sequence (which owns them), taken out of its lists when the
    // contents go.
    std::vector<LCBase*> m_loadedFilters;
    plat::CallbackList<void(long, SCBase*)> m_views;
    plat::CallbackList<void()> m_nameListeners;
};
