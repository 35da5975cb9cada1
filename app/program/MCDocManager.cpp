#include "app/program/MCDocManager.h"

#include "app/core/AppStrings.h"
#include "app/program/CDocUpgrade.h"
#include "interface/core/MCPaths.h"
#include "interface/dialogs/MCWaveOpenDlg.h"
#include "interface/document/CPluginView.h"
#include "interface/document/DocumentStrings.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusTemplate.h"
#include "interface/document/MCOpusWnd.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECText.h"
#include "notabase/model/ECWave.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/SCFile.h"
#include "notabase/states/SCSelection.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/Object.h"
#include "platform/core/Paths.h"
#include "platform/core/Strings.h"
#include "platform/core/UserPrompt.h"
#include "sequencer/data/DCsqTrack.h"
#include "wavegate/CWaveFile.h"

#include <QWidget>

#include <filesystem>
#include <system_error>

namespace {

constexpr int kStaffId = 55;
constexpr int kWaveTrackId = 71;
constexpr int kWaveId = 70;
constexpr uint16_t kPcm = 1;

plat::UserPrompt::Answer Tell(const std::string& text, plat::UserPrompt::Buttons buttons = plat::UserPrompt::Buttons::ok,
                              plat::UserPrompt::Icon icon = plat::UserPrompt::Icon::warning)
{
    plat::UserPrompt::Message message;
    message.caption = DocumentStrings::applicationName();
    message.text = text;
    message.buttons = buttons;
    message.icon = icon;
    return plat::UserPrompt::ask(message);
}

// The path as the command line or the shell hands it over: one leading quote dropped, cut at
// the last quote, made absolute, and a link followed to the file it names.
std::string CleanPath(const char* path)
{
    std::string text = path ? path : "";
    if (!text.empty() && text.front() == '"')
        text.erase(0, 1);
    if (const size_t quote = text.rfind('"'); quote != std::string::npos)
        text.resize(quote);
    if (text.empty())
        return text;
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(plat::paths::withSlashes(text), error);
    if (error)
        return text;
    full = full.lexically_normal();
    if (std::filesystem::is_symlink(full, error)) {
        const std::filesystem::path target = std::filesystem::read_symlink(full, error);
        if (!error)
            full = (target.is_absolute() ? target : full.parent_path() / target).lexically_normal();
    }
    return full.string();
}

bool SameFile(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    if (a == b)
        return true;
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

bool IsTemplatePath(const std::string& path)
{
    return plat::paths::matches(plat::paths::name(path), "*.KVT");
}

// "description\npattern\n" of a filter string.
COpenDialog::Filter SplitFilter(const std::string& text)
{
    COpenDialog::Filter filter;
    const size_t first = text.find('\n');
    filter.description = text.substr(0, first);
    if (first != std::string::npos) {
        const size_t second = text.find('\n', first + 1);
        filter.pattern = text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    }
    return filter;
}

}  // namespace

MCDocManager::MCDocManager(MCOpusTemplate& docTemplate) : m_template(docTemplate) {}

MCDocManager::~MCDocManager() = default;

void MCDocManager::SetMainWindow(QWidget* window)
{
    m_mainWindow = window;
    m_openDialog.SetParent(window);
}

MCOpusDoc* MCDocManager::OpenDocumentFile(const char* path)
{
    const std::string full = CleanPath(path);
    if (full.empty())
        return nullptr;
    for (MCOpusDoc* doc : m_template.GetDocuments()) {
        if (!SameFile(doc->GetPathName(), full))
            continue;
        const std::vector<MCOpusWnd*> frames = m_template.GetFrames(doc);
        MCOpusWnd* shown = nullptr;
        for (MCOpusWnd* frame : frames) {
            if (frame->isVisible()) {
                shown = frame;
                break;
            }
        }
        if (!shown && !frames.empty())
            shown = frames.front();
        if (shown) {
            shown->ActivateFrame();
            if (m_mainWindow && shown->window() != m_mainWindow)
                m_mainWindow->activateWindow();
        }
        MCOpusDoc::SetActiveDoc(doc);
        return doc;
    }
    // A template opens as a new document made from it.
    if (IsTemplatePath(full))
        return OpenTemplate(full.c_str());
    MCOpusDoc* doc = m_template.OpenDocumentFile(full);
    SetUpDocument(doc, 0);
    return doc;
}

void MCDocManager::OnFileNew()
{
    std::string path;
    if (!m_newMusic || !m_newMusic(path))
        return;
    MCOpusDoc* doc = !path.empty() ? m_template.OpenDocumentTemplate(path) : m_template.OpenNewDocument();
    SetUpDocument(doc, 1);
}

void MCDocManager::OnFileOpen()
{
    std::string fileName;
    if (!DoPromptOpen(fileName, "Open", COpenDialog::kHideReadOnly | COpenDialog::kFileMustExist |
                                            COpenDialog::kAllowMultiSelect))
        return;
    for (const std::string& path : m_openDialog.GetPathNames()) {
        if (path.empty())
            continue;
        if (m_opener)
            m_opener(path);
        else
            OpenDocumentFile(path.c_str());
    }
}

MCOpusDoc* MCDocManager::OpenTemplate(const char* path)
{
    MCOpusDoc* doc = m_template.OpenDocumentTemplate(path ? path : "");
    SetUpDocument(doc, 1);
    return doc;
}

int MCDocManager::DoPromptOpen(std::string& fileName, const std::string& title, uint32_t flags)
{
    const int extension = LoadIntPreference("Settings\\Open", "Extension", kDefaultExtension);
    std::vector<COpenDialog::Filter> filters;
    int selected = 0;
    for (uint32_t id = AppStrings::filterAllMusic; id <= AppStrings::filterAll; ++id) {
        const COpenDialog::Filter filter = SplitFilter(AppStrings::text(id));
        if (filter.description.empty() || filter.pattern.empty())
            continue;
        filters.push_back(filter);
        if (static_cast<int>(id) == extension) {
            m_openDialog.SetDefExt(filter.pattern.size() > 2 ? filter.pattern.substr(2) : std::string());
            selected = static_cast<int>(filters.size());
        }
    }
    m_openDialog.SetFilters(std::move(filters));
    m_openDialog.SetFilterIndex(selected);
    m_openDialog.SetInitialDir(COpenDialog::StartFolder(LoadStringPreference("Settings\\Open", "Directory", "")));
    m_openDialog.AddFlags(flags);
    m_openDialog.SetTitle(title);
    if (!m_openDialog.DoModal())
        return 0;
    if (m_openDialog.GetFilterIndex() > 0)
        SaveIntPreference("Settings\\Open", "Extension", m_openDialog.GetFilterIndex() + 354);
    const std::vector<std::string>& paths = m_openDialog.GetPathNames();
    fileName = paths.empty() ? std::string() : paths.front();
    if (!fileName.empty())
        SaveStringPreference("Settings\\Open", "Directory", plat::paths::folder(fileName).c_str());
    return 1;
}

int MCDocManager::SetUpDocument(MCOpusDoc* document, int newDocument)
{
    if (!document || !document->GetBaseEvent())
        return 0;
    const std::vector<CPluginView*>& plugins = CPluginView::GetPlugins();
    ECPerformance* performance = document->GetBaseEvent();
    MCOpusDoc::SetActiveDoc(document);
    MCCommandMgr::BeginNotify(performance);
    CDocUpgrade(document).Run();
    NameTracks(document);
    RelinkWaves(document);
    MCCommandMgr::EndNotify(performance);

    document->GetHeader()->SetVersion(MCOpusHeader::currentVersion);
    performance->SetVersion(MCOpusHeader::currentVersion);
    MCOpusDoc::SetActiveDoc(document);

    (new SCFile(newDocument ? 1300 : 1301))->Apply(performance);
    auto* clear = new SCSelection(SCSelection::kClear);
    clear->SetSynchronous(0);
    clear->Apply(performance);

    bool shown = false;
    for (CPluginView* plugin : plugins) {
        MCOpusWnd* frame = m_template.GetViewFrame(document, plugin->GetViewID());
        if (!frame)
            frame = m_template.CreateNewFrameClass(document, nullptr, plugin->GetFrameClass(), plugin->GetViewClass());
        std::string menu;
        plugin->LoadMenuString(menu);
        const std::string section = "\\PlugIns\\Views\\" + menu;
        if (frame && LoadIntPreference(section.c_str(), "Visible", 0)) {
            frame->ActivateFrame();
            shown = true;
        }
    }
    if (!shown) {
        // The first view's frame; without any view plug-in, the template's own frame.
        const std::vector<MCOpusWnd*> frames = m_template.GetFrames(document);
        MCOpusWnd* frame = plugins.empty() ? (frames.empty() ? nullptr : frames.front())
                                           : m_template.GetViewFrame(document, plugins.front()->GetViewID());
        if (frame)
            frame->ActivateFrame();
    }
    return 1;
}

void MCDocManager::NameTracks(MCOpusDoc* document)
{
    ECPerformance* performance = document ? document->GetBaseEvent() : nullptr;
    if (!performance)
        return;
    ACFindEvents find;
    find.AddEvtType(kStaffId);
    find.SetDepth(2);
    find.Apply(performance);
    MCEventList staves(10);
    staves.AddTail(find.GetEvents());
    MCPosition position = staves.GetHeadPosition();
    while (position) {
        ECBase* staff = staves.GetNext(position);
        auto* data = plat::dynamicDowncast<DCsqTrack>(staff->GetData(0, 1));
        if (data && data->GetTrackName())
            continue;
        const int track = staff->GetTrack();
        auto* name = new ECText(3, plat::format("Track %d", track));
        name->SetTime(&MCTime::TimeZero());
        name->SetVoiceTrack(staff->GetVoiceTrack());
        auto* add = new CCAdd;
        add->Add(name, staff, FCMidi::MidiNull());
        add->SetSynchronous(1);
        add->Apply(performance);
    }
}

void MCDocManager::RelinkWaves(MCOpusDoc* document)
{
    ECPerformance* performance = document ? document->GetBaseEvent() : nullptr;
    if (!performance)
        return;
    MCCommandList list(10);
    ACFindEvents tracks;
    tracks.AddEvtType(kWaveTrackId);
    tracks.SetDepth(2);
    tracks.Apply(performance);
    ACFindEvents clips;
    clips.AddEvtType(kWaveId);
    clips.Apply(&tracks.GetEvents(), 1);
    MCEventList found(10);
    found.AddTail(clips.GetEvents());

    auto removeClip = [&list](ECBase* clip) {
        auto* remove = static_cast<CCRemove*>(list.GetCommand(CommandIds::CCRemove, &CCRemove::classObject));
        remove->SetSynchronous(1);
        remove->Remove(clip);
    };
    MCPosition position = found.GetHeadPosition();
    while (position) {
        auto* clip = plat::dynamicDowncast<ECWave>(found.GetNext(position));
        if (!clip)
            continue;
        const std::string path = clip->GetFileName();
        if (!CWaveFile::FileExists(path.c_str())) {
            RelinkMissingWave(clip, &list);
            continue;
        }
        WG_DevFormat format;
        if (!CWaveFile::FileFormat(path.c_str(), format)) {
            Tell(plat::format(AppStrings::text(AppStrings::waveOpenError).c_str(), path.c_str()));
            removeClip(clip);
        } else if (format.formatTag != kPcm) {
            Tell(plat::format(AppStrings::text(AppStrings::waveNotPcm).c_str(), path.c_str()));
            removeClip(clip);
        } else {
            const MCTime duration(static_cast<float>(CWaveFile::FileDuration(path.c_str())) / 1000.0f);
            clip->SetDuration(&duration);
        }
    }
    if (list.GetHead()) {
        list.Apply(performance);
        document->SetModifiedFlag(1);
    }
}

int MCDocManager::RelinkMissingWave(ECWave* clip, MCCommandList* list)
{
    if (!clip || !list)
        return 0;
    // The clip stays unless a file to replace it was chosen: a wave on a drive that is only
    // missing for now must not be lost with the next save.
    const std::string text =
        plat::format(AppStrings::text(AppStrings::waveMissing).c_str(), clip->GetFileName().c_str(), clip->GetTrack());
    if (Tell(text, plat::UserPrompt::Buttons::yesNo) != plat::UserPrompt::Answer::yes)
        return 0;
    std::string chosen = clip->GetFileName();
    MCWaveOpenDlg dialog(m_mainWindow);
    if (!dialog.DoOpen(chosen))
        return 0;
    WG_DevFormat format;
    if (!CWaveFile::FileFormat(chosen.c_str(), format)) {
        Tell(plat::format(AppStrings::text(AppStrings::waveOpenError).c_str(), chosen.c_str()));
        return 0;
    }
    if (format.formatTag != kPcm) {
        Tell(AppStrings::text(AppStrings::waveChosenNotPcm));
        return 0;
    }
    ECBase* waveTrack = clip->GetAncestor(kWaveTrackId, -1);
    if (!waveTrack)
        return 0;
    auto* wave = new ECWave(*clip->GetTime(), chosen);
    wave->SetVoiceTrack(0, waveTrack->GetTrack());
    const MCTime duration(static_cast<float>(CWaveFile::FileDuration(chosen.c_str())) / 1000.0f);
    wave->SetDuration(&duration);
    auto* remove = static_cast<CCRemove*>(list->GetCommand(CommandIds::CCRemove, &CCRemove::classObject));
    remove->SetSynchronous(1);
    remove->Remove(clip);
    auto* add = static_cast<CCAdd*>(list->GetCommand(CommandIds::CCAdd, &CCAdd::classObject));
    add->SetSynchronous(1);
    add->Add(wave, waveTrack, FCMidi::MidiNull());
    return 1;
}
