#include "interface/document/MCOpusDoc.h"

#include "interface/document/DocumentStrings.h"
#include "interface/document/MCRecovery.h"
#include "interface/document/MCUserAbort.h"
#include "notabase/actions/ACPostSerialize.h"
#include "notabase/commands/CCAddClef.h"
#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CCAddMeter.h"
#include "notabase/clipboard/MCClipFormat.h"
#include "notabase/commands/CCCopy.h"
#include "notabase/commands/CCCopyTracks.h"
#include "notabase/commands/CCPaste.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECTrack.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/ConfigureRemove.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/layers/LCBase.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/states/SCCommand.h"
#include "notabase/states/SCFile.h"
#include "notabase/states/SCSelection.h"
#include "platform/core/AltSignalStack.h"
#include "platform/core/Archive.h"
#include "platform/core/ArchiveError.h"
#include "platform/core/MemoryStream.h"
#include "platform/core/Strings.h"
#include "platform/core/Trace.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

PLAT_IMPLEMENT_DYNCREATE(MCOpusDoc, plat::Object)

namespace {

MCOpusDoc* s_activeDoc = nullptr;

// The workers that free closed performances: how many run, and whether the program has
// stopped waiting for them.
struct Workers {
    std::mutex mutex;
    std::condition_variable idle;
    int count = 0;
    bool closed = false;
};
Workers& workers()
{
    static Workers w;
    return w;
}

std::mutex s_hookLock;
MCOpusDoc::MidiFormats& midiFormats()
{
    static MCOpusDoc::MidiFormats formats;
    return formats;
}
MCOpusDoc::SaveDialog& saveDialog()
{
    static MCOpusDoc::SaveDialog dialog;
    return dialog;
}
MCOpusDoc::RecentFileHook& recentFileHook()
{
    static MCOpusDoc::RecentFileHook hook;
    return hook;
}
plat::Storage::WriteProbe& writeProbe()
{
    static plat::Storage::WriteProbe probe;
    return probe;
}
template <class T>
T copyHook(const T& hook)
{
    std::lock_guard<std::mutex> lock(s_hookLock);
    return hook;
}

constexpr const char* kSaveSection = "Settings\\Save";
constexpr int kWaitMs = 30000;

std::string withApplication(uint32_t id)
{
    return plat::format(DocumentStrings::text(id).c_str(), DocumentStrings::applicationName().c_str());
}

// The path with the file name's extension replaced by ".kvd" (added when it has none).
std::string nativeName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? path.substr(0, dot) : path) + ".kvd";
}

}  // namespace

MCOpusDoc::MidiFormats MCOpusDoc::SetMidiFormats(MidiFormats formats)
{
    std::lock_guard<std::mutex> lock(s_hookLock);
    return std::exchange(midiFormats(), std::move(formats));
}

MCOpusDoc::SaveDialog MCOpusDoc::SetSaveDialog(SaveDialog dialog)
{
    std::lock_guard<std::mutex> lock(s_hookLock);
    return std::exchange(saveDialog(), std::move(dialog));
}

plat::Storage::WriteProbe MCOpusDoc::SetWriteProbe(plat::Storage::WriteProbe probe)
{
    std::lock_guard<std::mutex> lock(s_hookLock);
    return std::exchange(writeProbe(), std::move(probe));
}

MCOpusDoc::MCOpusDoc()
{
    m_performState.SetAutoDelete(0);
}

MCOpusDoc::~MCOpusDoc()
{
    if (s_activeDoc == this)
        SetActiveDoc(nullptr);
    DeleteContents();
    DeleteBackupFile();
    ReleaseRootStorage();
}

MCOpusDoc* MCOpusDoc::GetActiveDoc()
{
    return s_activeDoc;
}

MCOpusDoc* MCOpusDoc::SetActiveDoc(MCOpusDoc* doc)
{
    MCOpusDoc* previous = s_activeDoc;
    if (doc != previous) {
        s_activeDoc = doc;
        ECPerformance::SetActivePerformance(doc ? doc->m_performance : nullptr);
    }
    return previous;
}

int MCOpusDoc::WaitThreadsFinished(int close)
{
    Workers& w = workers();
    std::unique_lock<std::mutex> lock(w.mutex);
    const bool done = w.idle.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&w] { return w.count == 0; });
    if (close)
        w.closed = true;
    return done ? 1 : 0;
}

unsigned MCOpusDoc::ThreadDestroyProc(void* performance)
{
    auto* root = static_cast<ECPerformance*>(performance);
    root->RemoveChildren(1);
    root->Unref(1);
    Workers& w = workers();
    std::lock_guard<std::mutex> lock(w.mutex);
    if (--w.count == 0)
        w.idle.notify_all();
    return 0;
}

int MCOpusDoc::OnUpdate(ECBase* /*performance*/, int phase, void* state, void* doc)
{
    if (phase == 0 && state && doc) {
        auto* s = static_cast<SCBase*>(state);
        static_cast<MCOpusDoc*>(doc)->OnUpdate(s->GetCode(), s);
    }
    return 0;
}

plat::Connection MCOpusDoc::AddView(std::function<void(long, SCBase*)> view)
{
    return m_views.add(std::move(view));
}

void MCOpusDoc::UpdateAllViews(long hint, SCBase* state)
{
    m_views.call(hint, state);
}

ECPerformance* MCOpusDoc::CreatePerformance(int withConductor)
{
    auto* performance = new ECPerformance;
    performance->Ref();
    performance->AddStateHandler(&MCOpusDoc::OnUpdate, this);
    if (withConductor)
        performance->AddChild(new ECConductor, 1);
    m_performance = performance;
    if (s_activeDoc == this)
        ECPerformance::SetActivePerformance(performance);
    return performance;
}

void MCOpusDoc::ClearLoadedFilters()
{
    for (LCBase* filter : m_loadedFilters) {
        m_sequence.RemoveInputFilter(filter);
        m_sequence.RemoveOutputFilter(filter);
    }
    m_loadedFilters.clear();
}

void MCOpusDoc::DestroyPerformance()
{
    m_sequence.Detach();
    ClearLoadedFilters();
    if (!m_performance)
        return;
    ECPerformance* performance = std::exchange(m_performance, nullptr);
    if (s_activeDoc == this)
        ECPerformance::SetActivePerformance(nullptr);
    performance->RemoveCommandHandlers();
    performance->RemoveStateHandlers();
    performance->ClearUndo();
    Workers& w = workers();
    {
        std::lock_guard<std::mutex> lock(w.mutex);
        if (!w.closed) {
            // Counted before the worker starts, under the lock the wait uses, so a wait never
            // sees a moment with no worker counted while one is about to run.
            ++w.count;
            std::thread([performance] {
                const plat::AltSignalStack altStack;
                ThreadDestroyProc(performance);
            }).detach();
            return;
        }
    }
    performance->RemoveChildren(1);
    performance->Unref(1);
}

void MCOpusDoc::SetPathName(const std::string& path, int addToRecent)
{
    if (path.empty()) {
        m_pathName.clear();
    } else {
        m_header.SetStatus(MCOpusHeader::FileStatus::of(path));
        m_pathName = path;
        const size_t slash = path.rfind('/');
        m_title = slash == std::string::npos ? path : path.substr(slash + 1);
        if (addToRecent) {
            if (const RecentFileHook hook = copyHook(recentFileHook()))
                hook(path);
        }
    }
    m_nameListeners.call();
}

MCOpusDoc::RecentFileHook MCOpusDoc::SetRecentFileHook(RecentFileHook hook)
{
    std::lock_guard<std::mutex> lock(s_hookLock);
    return std::exchange(recentFileHook(), std::move(hook));
}

plat::Connection MCOpusDoc::AddNameListener(std::function<void()> listener)
{
    return m_nameListeners.add(std::move(listener));
}

void MCOpusDoc::DeleteContents()
{
    m_selection.RemoveAll();
    m_toggleBase.RemoveAll();
    DestroyPerformance();
}

int MCOpusDoc::OnNewDocument()
{
    DeleteContents();
    m_modified = false;
    CreatePerformance(1);
    m_sequence.Attach(m_performance);
    return 1;
}

int MCOpusDoc::OnOpenDocument(const std::string& path)
{
    if (!LoadOLE(path))
        return 0;
    SetPathName(path, 1);
    return 1;
}

int MCOpusDoc::OnOpenDocumentCopy(const std::string& path)
{
    m_readingCopy = true;
    const int loaded = LoadOLE(path);
    m_readingCopy = false;
    ReleaseRootStorage();
    return loaded;
}

plat::UserPrompt::Answer MCOpusDoc::Message(const std::string& text, plat::UserPrompt::Icon icon,
                                            plat::UserPrompt::Buttons buttons)
{
    plat::UserPrompt::Message message;
    message.caption = DocumentStrings::applicationName();
    message.text = text;
    message.icon = icon;
    message.buttons = buttons;
    return plat::UserPrompt::ask(message);
}

int MCOpusDoc::LoadOLE(const std::string& path)
{
    if (!path.empty()) {
        DeleteContents();
        ReleaseRootStorage();
    }
    SetModifiedFlag(1);
    MCOpusDoc* previous = GetActiveDoc();
    int result = 0;
    try {
        CreateRootStorage(path);
        LoadFromStorage();
        SetModifiedFlag(0);
        result = 1;
    } catch (const std::exception& e) {
        DeleteContents();
        ReleaseRootStorage();
        if (path.empty())
            throw;
        ReportSaveLoadException(path, e, 0);
    }
    if (!result)
        SetActiveDoc(previous);
    return result;
}

void MCOpusDoc::CreateRootStorage(const std::string& path)
{
    DeleteBackupFile();
    if (!m_readingCopy)
        CreateBackupFile(path);
    if (m_rootStorage)
        return;
    m_rootStorage = plat::Storage::open(path);
}

void MCOpusDoc::ReleaseRootStorage()
{
    m_rootStorage.reset();
}

void MCOpusDoc::LoadFromStorage()
{
    if (!m_rootStorage)
        throw plat::ArchiveError(plat::ArchiveError::Cause::badSchema, "the document has no file");
    if (!m_rootStorage->hasStream("Contents"))
        throw plat::ArchiveError(plat::ArchiveError::Cause::badSchema,
                                 m_rootStorage->path() + " holds no document");
    // Read where the storage holds it, which it does until the document lets go of the file.
    const std::span<const uint8_t> bytes = m_rootStorage->streamData("Contents");
    if (bytes.empty())
        throw plat::ArchiveError(plat::ArchiveError::Cause::endOfFile, m_rootStorage->path() + " is empty");
    plat::MemoryStream stream{bytes};
    plat::Archive archive(stream, plat::Archive::Mode::load);
    archive.setContext(this);
    try {
        Serialize(archive);
    } catch (...) {
        DeleteContents();
        throw;
    }
    m_archiveObjects = archive.objectCount();
}

void MCOpusDoc::CreateBackupFile(const std::string& path)
{
    if (LoadIntPreference(kSaveSection, "CreateBackup", 1) == 0 || path.empty())
        return;
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    m_backupPath = plat::format("%s/~%s", folder.c_str(), name.c_str());
    std::error_code error;
    namespace fs = std::filesystem;
    if (!fs::copy_file(path, m_backupPath, fs::copy_options::overwrite_existing, error) || error) {
        DeleteBackupFile();
        return;
    }
    fs::permissions(m_backupPath, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, error);
    if (error)
        DeleteBackupFile();
}

void MCOpusDoc::DeleteBackupFile()
{
    if (m_backupPath.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove(m_backupPath, ignored);
    MCRecovery::Forget(m_backupPath);
    m_backupPath.clear();
}

void MCOpusDoc::Serialize(plat::Archive& archive)
{
    if (archive.isLoading())
        Read(archive);
    else
        Write(archive);
}

void MCOpusDoc::Read(plat::Archive& archive)
{
    auto* contents = dynamic_cast<plat::MemoryStream*>(&archive.stream());
    const MidiFormats formats = copyHook(midiFormats());
    if (contents) {
        // Each reader sees the file from its start, and may leave it anywhere. A reader that
        // throws found a MIDI file it cannot read: the user learns why, and the open ends.
        for (const auto* reader : {&formats.readRmi, &formats.readMidi}) {
            if (!*reader)
                continue;
            contents->seek(0);
            int taken = 0;
            try {
                taken = (*reader)(*contents, *this);
            } catch (const std::exception& e) {
                plat::trace("MIDI file refused: %s", e.what());
                std::string text = DocumentStrings::text(DocumentStrings::unableToOpenMidi);
                if (dynamic_cast<const std::runtime_error*>(&e) && *e.what())
                    text += plat::format("\n\n%s", e.what());
                Message(text, plat::UserPrompt::Icon::warning);
                throw MCUserAbort("unable to open MIDI file");
            }
            if (taken) {
                archive.flush();
                return;
            }
        }
        contents->seek(0);
    }

    ReadHeader(archive);
    // A reader that gave up part way may have left a piece behind.
    if (m_performance)
        DestroyPerformance();
    CreatePerformance(0);
    m_performance->SetVersion(m_header.GetVersion());
    // Elements read in the form of the document's version, which they ask of the active
    // performance: this one, even when this document was active already.
    SetActiveDoc(this);
    ECPerformance::SetActivePerformance(m_performance);
    archive.mapObject(m_performance);
    archive.loadInto(*m_performance);
    ACPostSerialize post(archive);
    post.Apply(m_performance);
    archive.mapObject(&m_sequence);
    SerializeSequence(archive);
    archive.flush();
}

void MCOpusDoc::ReadHeader(plat::Archive& archive)
{
    const MCOpusHeader::FileStatus status =
        MCOpusHeader::FileStatus::of(m_rootStorage ? m_rootStorage->path() : m_pathName);
    archive.flush();
    archive.mapObject(&m_header);
    m_header.Serialize(archive);
    m_header.SetStatus(status);
    using Icon = plat::UserPrompt::Icon;
    const std::string path = m_rootStorage ? m_rootStorage->path() : m_pathName;
    const std::string cannotOpen = withApplication(DocumentStrings::cannotOpen) + "\n\n" + path + "\n";
    if (m_header.GetFormat() != MCOpusHeader::formatNative) {
        Message(cannotOpen + withApplication(DocumentStrings::notADocument), Icon::warning);
        throw MCUserAbort("unknown file format");
    }
    if (m_header.GetVersion() < MCOpusHeader::currentVersion)
        Message(withApplication(DocumentStrings::olderVersion), Icon::information);
    if (m_header.GetVersion() > MCOpusHeader::currentVersion) {
        Message(withApplication(DocumentStrings::newerVersion), Icon::warning);
        throw MCUserAbort("newer file format");
    }
    if (!m_header.VerifyOperation(MCOpusHeader::protectOpen)) {
        Message(cannotOpen + DocumentStrings::text(DocumentStrings::protectedFile), Icon::warning);
        throw MCUserAbort("open permission refused");
    }
}

void MCOpusDoc::Write(plat::Archive& archive)
{
    const int format = m_header.GetFormat();
    if (format == MCOpusHeader::formatMidi0 || format == MCOpusHeader::formatMidi1) {
        const MidiFormats formats = copyHook(midiFormats());
        try {
            if (!formats.writeMidi)
                throw std::runtime_error("no MIDI file writer");
            formats.writeMidi(archive.stream(), *this, format == MCOpusHeader::formatMidi0 ? 0 : 1,
                              static_cast<int>(MCTime::GlobalPPQ));
        } catch (const std::exception& e) {
            plat::trace("MIDI file not written: %s", e.what());
            Message(DocumentStrings::text(DocumentStrings::midiWriteError), plat::UserPrompt::Icon::warning);
            throw MCUserAbort("error writing the MIDI file");
        }
        return;
    }
    if (format == MCOpusHeader::formatMidi2) {
        Message(DocumentStrings::text(DocumentStrings::type2NotSupported), plat::UserPrompt::Icon::warning);
        throw MCUserAbort("MIDI type 2 files cannot be saved");
    }
    if (!m_performance)
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "the document has no music");
    WriteHeader(archive);
    archive.mapObject(m_performance);
    m_performance->Serialize(archive);
    ACPostSerialize post(archive);
    post.Apply(m_performance);
    archive.mapObject(&m_sequence);
    SerializeSequence(archive);
    archive.flush();
}

void MCOpusDoc::WriteHeader(plat::Archive& archive)
{
    const std::string path = m_rootStorage ? m_rootStorage->path() : m_pathName;
    archive.flush();
    archive.mapObject(&m_header);
    m_header.SetStatus(MCOpusHeader::FileStatus::of(path));
    // The graph and the sequence are always written in the current form, so the header says so;
    // an older version number here would make the file unreadable.
    m_header.SetVersion(MCOpusHeader::currentVersion);
    m_header.Serialize(archive);
}

namespace {

// The sequence's record, loaded as one load of the archive. A record that names another
// performance than the document's fails it; whatever the sequence took from the record is then
// let go before the archive frees the objects the load made.
class SequenceLoad final : public plat::Object {
public:
    SequenceLoad(CSequence& sequence, ECPerformance* performance) : m_sequence(sequence), m_performance(performance) {}

    void Serialize(plat::Archive& archive) override
    {
        m_sequence.Serialize(archive);
        if (m_sequence.GetPerformance() != m_performance)
            throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "the sequence belongs to another piece");
    }
    void unlinkAfterFailedLoad() override
    {
        m_sequence.unlinkAfterFailedLoad();
        std::vector<LCBase*> filters;
        m_sequence.GetFilterList(filters, 0x4 | 0x8);
        for (LCBase* filter : filters) {
            m_sequence.RemoveInputFilter(filter);
            m_sequence.RemoveOutputFilter(filter);
        }
        m_sequence.Detach();
    }
    // The loader lives on the stack of the document's read.
    void releaseAfterFailedLoad() override {}

private:
    CSequence& m_sequence;
    ECPerformance* m_performance;
};

}  // namespace

// The sequence stores and loads its own record. The data list is not taken from the file as it
// stands: once the record has passed the sequence's checks, the list is built afresh from the
// loaded graph, so the order the player walks is the one the elements' times give.
void MCOpusDoc::SerializeSequence(plat::Archive& archive)
{
    if (archive.isStoring()) {
        m_sequence.Serialize(archive);
        return;
    }
    SequenceLoad load(m_sequence, m_performance);
    archive.loadInto(load);
    // The filters the sequence read are its own; the document takes them out of its lists
    // again when its contents go.
    m_loadedFilters.clear();
    m_sequence.GetFilterList(m_loadedFilters, 0x4 | 0x8);
    m_sequence.CheckDataIntegrity();
}

void MCOpusDoc::ApplyStop()
{
    m_sequence.Stop(1);
}

void MCOpusDoc::WriteContents(plat::ByteStream& stream)
{
    plat::Archive archive(stream, plat::Archive::Mode::store);
    archive.setContext(this);
    archive.reserveObjects(m_archiveObjects);
    Serialize(archive);
    archive.flush();
    m_archiveObjects = archive.objectCount();
}

std::vector<uint8_t> MCOpusDoc::WriteContents()
{
    plat::MemoryStream stream;
    WriteContents(stream);
    return stream.takeData();
}

int MCOpusDoc::OnSaveDocument(const std::string& path)
{
    ApplyStop();
    std::string target = path;
    const int format = m_header.GetFormat();
    if (format >= MCOpusHeader::formatMidi0 && format <= MCOpusHeader::formatMidi2) {
        plat::UserPrompt::Answer answer = plat::UserPrompt::Answer::no;
        if (LoadIntPreference(kSaveSection, "PromptKVD", 1))
            answer = Message(DocumentStrings::text(DocumentStrings::saveAsNative), plat::UserPrompt::Icon::question,
                             plat::UserPrompt::Buttons::yesNoCancel);
        if (answer == plat::UserPrompt::Answer::cancel)
            return 0;
        if (answer == plat::UserPrompt::Answer::yes) {
            // Never a compound file under the MIDI file's name: the native file gets its own.
            target = nativeName(path);
            // A file may already have that name, another piece perhaps: it is replaced only when
            // the user says so, and otherwise nothing is saved.
            std::error_code error;
            if (target != path && std::filesystem::exists(target, error) &&
                Message(plat::format(DocumentStrings::text(DocumentStrings::replaceNative).c_str(), target.c_str()),
                        plat::UserPrompt::Icon::warning, plat::UserPrompt::Buttons::yesNo) != plat::UserPrompt::Answer::yes)
                return 0;
            m_header.SetFormat(MCOpusHeader::formatNative);
        }
    }
    const int saveFormat = m_header.GetFormat();
    if (saveFormat < MCOpusHeader::formatNative || saveFormat > MCOpusHeader::formatMidi2)
        return 0;
    try {
        const plat::Storage::WriteProbe probe = copyHook(writeProbe());
        if (saveFormat == MCOpusHeader::formatNative) {
            // The archive goes into the file as it is made: a large piece is never held whole.
            plat::Storage::write(target, "Contents", [this](plat::ByteStream& out) { WriteContents(out); }, probe);
        } else {
            const std::vector<uint8_t> contents = WriteContents();
            ReleaseRootStorage();
            plat::Storage::replaceFile(target, contents, probe);
        }
        // The document holds the file it was saved to.
        ReleaseRootStorage();
        CreateRootStorage(target);
    } catch (const MCUserAbort&) {
        m_header.SetFormat(format);
        return 0;
    } catch (const std::exception& e) {
        // Not saved, the document is still what its own file is: made native under the MIDI
        // file's name, the next save would write the compound file over the MIDI file.
        m_header.SetFormat(format);
        ReportSaveLoadException(target, e, 1);
        if (!m_rootStorage && !m_pathName.empty()) {
            try {
                CreateRootStorage(m_pathName);
            } catch (const std::exception& again) {
                plat::trace("cannot hold %s again: %s", m_pathName.c_str(), again.what());
            }
        }
        return 0;
    }
    m_savedPath = target;
    SetModifiedFlag(0);
    return 1;
}

int MCOpusDoc::DoSave(const std::string& path, int replace)
{
    const int formerFormat = m_header.GetFormat();
    std::string name = path;
    if (name.empty()) {
        name = m_pathName;
        if (replace && name.empty()) {
            name = m_title.substr(0, m_title.find_first_of(" #%;/\\"));
            name += ".kvd";
        }
        const SaveDialog dialog = copyHook(saveDialog());
        int format = m_header.GetFormat();
        if (!dialog || !dialog(name, format, replace))
            return 0;
        m_header.SetFormat(format);
    }
    // A failed save leaves whatever was at the name as it was: nothing to remove. The format
    // chosen for the new name goes too, or the next plain save would write it to the old name.
    if (!OnSaveDocument(name)) {
        m_header.SetFormat(formerFormat);
        return 0;
    }
    if (replace)
        SetPathName(m_savedPath, 1);
    if (m_performance) {
        auto* saved = new SCFile(1302);
        saved->Apply(m_performance);
    }
    return 1;
}

int MCOpusDoc::SaveBackupFile()
{
    if (m_backupPath.empty() || !m_performance)
        return 0;
    // The backup takes the document as it stands, natively, whatever its own format; the
    // document's file, name and modified flag stay as they are.
    const int format = m_header.GetFormat();
    const int version = m_header.GetVersion();
    m_header.SetFormat(MCOpusHeader::formatNative);
    try {
        plat::Storage::write(m_backupPath, "Contents", [this](plat::ByteStream& out) { WriteContents(out); },
                             copyHook(writeProbe()));
        m_header.SetFormat(format);
        m_header.SetVersion(version);
    } catch (const std::exception& e) {
        m_header.SetFormat(format);
        m_header.SetVersion(version);
        plat::trace("auto-save into %s failed: %s", m_backupPath.c_str(), e.what());
        return 0;
    }
    return 1;
}

void MCOpusDoc::OnCloseDocument()
{
    ApplyStop();
    if (m_performance) {
        if (s_activeDoc == this)
            SetActiveDoc(nullptr);
        auto* closed = new SCFile(1303);
        closed->Apply(m_performance);
    }
    DeleteContents();
}

std::string MCOpusDoc::CannotOpenText(const std::string& path, const std::exception& error)
{
    // The sentence, the file it is about, and why, in words a user can act on.
    std::error_code ignored;
    std::string reason;
    if (std::filesystem::is_regular_file(path, ignored) && std::filesystem::file_size(path, ignored) == 0) {
        reason = "The file is empty.";
    } else if (const auto* storage = dynamic_cast<const plat::StorageError*>(&error)) {
        reason = storage->cause() == plat::StorageError::Cause::tooLarge
                     ? "The file is larger than a document may be."
                     : withApplication(DocumentStrings::notADocument);
    } else if (const auto* archive = dynamic_cast<const plat::ArchiveError*>(&error)) {
        switch (archive->cause()) {
        case plat::ArchiveError::Cause::endOfFile: reason = "The file ends before its music does."; break;
        case plat::ArchiveError::Cause::badSchema:
        case plat::ArchiveError::Cause::badClass:
            reason = withApplication(DocumentStrings::unknownData);
            break;
        default: reason = "The file is damaged."; break;
        }
    }
    std::string text = withApplication(DocumentStrings::cannotOpen) + "\n\n" + path;
    if (!reason.empty())
        text += "\n" + reason;
    return text;
}

void MCOpusDoc::ReportSaveLoadException(const std::string& path, const std::exception& error, int saving)
{
    using Icon = plat::UserPrompt::Icon;
    if (dynamic_cast<const MCUserAbort*>(&error))
        return;
    std::string text;
    if (const auto* storage = dynamic_cast<const plat::StorageError*>(&error)) {
        switch (storage->cause()) {
        case plat::StorageError::Cause::locked:
            text = plat::format(DocumentStrings::text(DocumentStrings::alreadyOpen).c_str(), path.c_str());
            break;
        case plat::StorageError::Cause::invalid:
        case plat::StorageError::Cause::tooLarge:
            text = CannotOpenText(path, error);
            break;
        default:
            text = error.what();
            break;
        }
    } else if (dynamic_cast<const plat::ArchiveError*>(&error)) {
        text = saving ? std::string(error.what()) : CannotOpenText(path, error);
    } else {
        text = error.what();
    }
    plat::trace("%s %s: %s", saving ? "saving" : "opening", path.c_str(), error.what());
    Message(text, Icon::warning);
}

void MCOpusDoc::OnUpdate(long hint, SCBase* state)
{
    switch (hint) {
    case 500: {
        auto* processed = dynamic_cast<SCCommand*>(state);
        if (!processed)
            break;
        MCEventList gone;
        for (CCBase* command : processed->GetCommands()) {
            ECBase* mark = nullptr;
            switch (command->GetCommandId()) {
            case CommandIds::CCAddClef:
                mark = static_cast<CCAddClef*>(command)->GetClef(1);
                break;
            case CommandIds::CCAddKey:
                mark = static_cast<CCAddKey*>(command)->GetKey(1);
                break;
            case CommandIds::CCAddMeter:
                mark = static_cast<CCAddMeter*>(command)->GetMeter(1);
                break;
            default:
                if (auto* remove = dynamic_cast<CCRemove*>(command))
                    remove->GetRemoveEvents(gone);
                break;
            }
            if (mark)
                gone.AddTail(mark);
        }
        for (ECBase* element : gone)
            element->SetSelected(0);
        m_selection.RemoveEvents(gone);
        break;
    }
    case 1306:
        SetModifiedFlag(1);
        break;
    case 1700:
    case 1701:
    case 1702:
    case 1703:
        if (auto* selection = dynamic_cast<SCSelection*>(state)) {
            if (!selection->IsDynamic())
                m_toggleBase.RemoveAll();
            selection->UpdateSelection(m_selection);
        }
        break;
    case 1704:
        if (auto* selection = dynamic_cast<SCSelection*>(state)) {
            if (selection->IsDynamic()) {
                // Every step of a toggling drag toggles against the selection the drag began with.
                if (m_toggleBase.IsEmpty())
                    m_toggleBase.AddEvents(m_selection);
                for (ECBase* element : m_selection)
                    element->SetSelected(0);
                m_selection.RemoveAll();
                m_selection.AddEvents(m_toggleBase);
                for (ECBase* element : m_selection)
                    element->SetSelected(1);
            } else {
                m_toggleBase.RemoveAll();
            }
            selection->UpdateSelection(m_selection);
        }
        break;
    default:
        if (hint >= 3300 && hint <= 3312)
            m_performState.SetCode(static_cast<int>(hint));
        break;
    }
    m_sequence.OnUpdate(hint, state);
    UpdateAllViews(hint, state);
}

void MCOpusDoc::OnFileClose()
{
    if (m_performance) {
        auto* stop = new SCPerform(3300);
        stop->SetSynchronous(1);
        stop->Apply(m_performance);
    }
    if (SaveModified())
        OnCloseDocument();
}

int MCOpusDoc::OnFileSave()
{
    if (m_performance) {
        auto* stop = new SCPerform(3300);
        stop->SetSynchronous(1);
        stop->Apply(m_performance);
    }
    return DoSave(m_pathName, 1);
}

int MCOpusDoc::OnFileSaveAs()
{
    if (m_performance) {
        auto* stop = new SCPerform(3300);
        stop->SetSynchronous(1);
        stop->Apply(m_performance);
    }
    return DoSave("", 1);
}

int MCOpusDoc::SaveModified()
{
    if (!IsModified())
        return 1;
    const std::string name = m_title.empty() ? std::string("Untitled") : m_title;
    switch (Message(plat::format("Save changes to %s?", name.c_str()), plat::UserPrompt::Icon::warning,
                    plat::UserPrompt::Buttons::yesNoCancel)) {
    case plat::UserPrompt::Answer::cancel:
        return 0;
    case plat::UserPrompt::Answer::yes:
        return DoSave(m_pathName, 1);
    default:
        return 1;
    }
}

void MCOpusDoc::OnEditCopy()
{
    if (!m_performance)
        return;
    auto* copy = new CCCopy;
    copy->SetSynchronous(1);
    copy->SetDocument(this);
    copy->CopyEvents(&m_selection);
    copy->Apply(m_performance);
}

int MCOpusDoc::OnUpdateEditCopy() const
{
    return m_selection.IsEmpty() ? 0 : 1;
}

void MCOpusDoc::OnEditPaste()
{
    if (!m_performance)
        return;
    plat::RefPtr<CCPaste> paste(new CCPaste);
    paste->SetSynchronous(1);
    paste->SetDocument(this);
    paste->Apply(m_performance);
    // Pasted staves go in after the last selected staff; with none selected, all at the end
    // in the order they were copied.
    int position = -1;
    for (ECBase* element : m_selection)
        if (element->GetEventId() == EventId::Staff)
            position = element->GetTrack();
    MCCommandList tracks;
    for (ECBase* element : paste->GetEvents()) {
        const int id = element->GetEventId();
        auto* track = plat::dynamicDowncast<ECTrack>(element);
        if ((id != EventId::Staff && id != EventId::WaveTrack) || !track)
            continue;
        auto* add = new CCCopyTracks;
        add->SetSynchronous(1);
        add->SetDocument(this);
        add->SetInsertPosition(position);
        if (position >= 0)
            ++position;
        add->CopyTrack(track);
        tracks.AddTail(add);
    }
    if (!tracks.IsEmpty())
        tracks.Apply(m_performance);
}

int MCOpusDoc::OnUpdateEditPaste() const
{
    return CCPaste::ClipboardHasFormat(MCClipFormat(kMusicDataFormat), 0) ? 1 : 0;
}

void MCOpusDoc::OnEditUndo()
{
    if (m_performance)
        m_performance->Undo(1);
}

void MCOpusDoc::OnEditRedo()
{
    if (m_performance)
        m_performance->Redo(1);
}

int MCOpusDoc::OnUpdateEditUndo(std::string& text) const
{
    std::string name;
    const int enabled = m_performance ? m_performance->GetUndoString(name, -1) : 0;
    text = plat::format("Undo %s\tCtrl+Z", name.c_str());
    return enabled ? 1 : 0;
}

int MCOpusDoc::OnUpdateEditRedo(std::string& text) const
{
    std::string name;
    const int enabled = m_performance ? m_performance->GetRedoString(name, -1) : 0;
    text = plat::format("Redo %s\tCtrl+Y", name.c_str());
    return enabled ? 1 : 0;
}

void MCOpusDoc::OnEditClear()
{
    if (!m_performance)
        return;
    MCCommandList commands;
    if (!ConfigureRemove(&m_selection, commands))
        return;
    MCCommandMgr::BeginUndo(m_performance, "Delete");
    commands.SetSynchronous(1);
    commands.Apply(m_performance);
    MCCommandMgr::EndUndo(m_performance);
}

int MCOpusDoc::OnUpdateEditClear() const
{
    return m_performance && !m_selection.IsEmpty() ? 1 : 0;
}

void MCOpusDoc::OnEditCut()
{
    if (!m_performance)
        return;
    MCCommandList commands;
    if (!ConfigureRemove(&m_selection, commands))
        return;
    OnEditCopy();
    MCCommandMgr::BeginUndo(m_performance, "Cut");
    commands.SetSynchronous(1);
    commands.Apply(m_performance);
    MCCommandMgr::EndUndo(m_performance);
}

int MCOpusDoc::OnUpdateEditCut() const
{
    return OnUpdateEditClear();
}

bool MCOpusDoc::onCommand(uint32_t id)
{
    switch (id) {
    case kEditUndo: OnEditUndo(); return true;
    case kEditRedo: OnEditRedo(); return true;
    case kEditCut: OnEditCut(); return true;
    case kEditCopy: OnEditCopy(); return true;
    case kEditPaste: OnEditPaste(); return true;
    case kEditClear: OnEditClear(); return true;
    default: return false;
    }
}

bool MCOpusDoc::onUpdateCommand(uint32_t id, plat::ui::CommandState& state)
{
    std::string text;
    switch (id) {
    case kEditUndo:
        state.enabled = OnUpdateEditUndo(text) != 0;
        state.text = text;
        return true;
    case kEditRedo:
        state.enabled = OnUpdateEditRedo(text) != 0;
        state.text = text;
        return true;
    case kEditCut: state.enabled = OnUpdateEditCut() != 0; return true;
    case kEditCopy: state.enabled = OnUpdateEditCopy() != 0; return true;
    case kEditPaste: state.enabled = OnUpdateEditPaste() != 0; return true;
    case kEditClear: state.enabled = OnUpdateEditClear() != 0; return true;
    default: return false;
    }
}
