#include "interface/document/MCOpusTemplate.h"

#include "interface/document/CPluginView.h"
#include "interface/document/DocumentStrings.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusWnd.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/RegularFile.h"
#include "platform/core/Strings.h"
#include "platform/core/Trace.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/resource/ImageResources.h"
#include "sequencer/data/DCsqTrack.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QMdiArea>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <utility>

namespace {

// The templates that exist; made and destroyed on the main thread.
std::vector<MCOpusTemplate*>& templates()
{
    static std::vector<MCOpusTemplate*> all;
    return all;
}

MCOpusTemplate::CommandRouter& commandRouter()
{
    static MCOpusTemplate::CommandRouter router;
    return router;
}

void tell(unsigned id, const std::string& path)
{
    plat::UserPrompt::ask({DocumentStrings::applicationName(),
                           plat::format(DocumentStrings::text(id).c_str(), path.c_str()), plat::UserPrompt::Buttons::ok,
                           plat::UserPrompt::Icon::warning, std::nullopt});
}

// The message that says why a file named for opening cannot be read.
unsigned openFailureText(int error)
{
    switch (error) {
    case ENOENT: return DocumentStrings::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL: return DocumentStrings::fileBadPath;
    case EMFILE:
    case ENFILE: return DocumentStrings::fileTooManyOpen;
    case EACCES:
    case EPERM:
    case EISDIR: return DocumentStrings::fileAccessDenied;
    case EIO: return DocumentStrings::fileHardware;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK: return DocumentStrings::fileSharing;
    default: return DocumentStrings::fileOther;
    }
}

// The user's name as the password database gives it (the full name when there is one).
std::string ownerName()
{
    const passwd* entry = getpwuid(getuid());
    if (!entry)
        return {};
    std::string full = entry->pw_gecos ? entry->pw_gecos : "";
    full = full.substr(0, full.find(','));
    return full.empty() ? std::string(entry->pw_name ? entry->pw_name : "") : full;
}

// The client of a frame without a view: it draws nothing but takes the focus, so the
// frame's keys (the transport's hot keys among them) work in it.
std::unique_ptr<QWidget> emptyClient()
{
    auto client = std::make_unique<QWidget>();
    client->setObjectName("EmptyClient");
    client->setFocusPolicy(Qt::StrongFocus);
    client->setMinimumSize(240, 160);
    return client;
}

int currentYear()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

}  // namespace

MCOpusTemplate::MCOpusTemplate(unsigned resourceId, const plat::RuntimeClass* viewClass,
                               const plat::RuntimeClass* frameClass)
    : m_resourceId(resourceId), m_viewClass(viewClass), m_frameClass(frameClass)
{
    templates().push_back(this);
}

MCOpusTemplate::~MCOpusTemplate()
{
    std::erase(templates(), this);
    while (!m_documents.empty()) {
        MCOpusDoc* doc = m_documents.back().get();
        doc->OnCloseDocument();
        RemoveDocument(doc);
    }
    for (const QPointer<MCOpusWnd>& frame : m_discarded)
        delete frame.data();
}

std::vector<MCOpusTemplate*> MCOpusTemplate::GetTemplates()
{
    return templates();
}

MCOpusTemplate::CommandRouter MCOpusTemplate::SetCommandRouter(CommandRouter router)
{
    return std::exchange(commandRouter(), std::move(router));
}

void MCOpusTemplate::RouteCommand(uint32_t id)
{
    if (const CommandRouter router = commandRouter())
        router(id);
}

MCOpusDoc* MCOpusTemplate::OpenDocumentFile(const std::string& path)
{
    errno = 0;
    if (!plat::RegularFile::open(path)) {
        tell(openFailureText(errno), path);
        return nullptr;
    }
    return CommonOpen(path);
}

MCOpusDoc* MCOpusTemplate::OpenNewDocument()
{
    return CommonOpen({});
}

MCOpusDoc* MCOpusTemplate::OpenNativeCopy(const std::string& path)
{
    errno = 0;
    if (!plat::RegularFile::open(path)) {
        tell(openFailureText(errno), path);
        return nullptr;
    }
    MCOpusDoc* doc = CommonOpen(path, true);
    if (doc)
        doc->GetHeader()->SetFormat(MCOpusHeader::formatNative);
    return doc;
}

MCOpusDoc* MCOpusTemplate::OpenDocumentTemplate(const std::string& path)
{
    // Nothing is written beside a template, and the new document does not hold it.
    MCOpusDoc* doc = OpenNativeCopy(path);
    if (!doc)
        return nullptr;
    UpdateTracks(doc->GetBaseEvent());
    const std::string owner = ownerName();
    if (!owner.empty())
        UpdateOwnerLine(doc->GetBaseEvent(), currentYear(), owner);
    SetDefaultTitle(doc);
    doc->SetPathName({}, 1);
    ++m_untitledCount;
    return doc;
}

MCOpusDoc* MCOpusTemplate::OpenRecoveryCopy(const std::string& path, const std::string& title)
{
    MCOpusDoc* doc = OpenNativeCopy(path);
    if (!doc)
        return nullptr;
    doc->SetTitle(title);
    doc->SetPathName({}, 0);
    doc->SetModifiedFlag(1);
    doc->SetBackupPath(path);
    return doc;
}

void MCOpusTemplate::SetDefaultTitle(MCOpusDoc* doc)
{
    doc->SetTitle(plat::format("Untitled%d", m_untitledCount + 1));
}

MCOpusDoc* MCOpusTemplate::CommonOpen(const std::string& path, bool copy)
{
    auto owned = std::make_unique<MCOpusDoc>();
    MCOpusDoc* doc = owned.get();
    m_documents.push_back(std::move(owned));
    bool opened = false;
    if (path.empty()) {
        SetDefaultTitle(doc);
        opened = doc->OnNewDocument() != 0;
        if (opened) {
            // A new document is saved in the program's own format unless the user picks another.
            doc->GetHeader()->SetFormat(MCOpusHeader::formatNative);
            ++m_untitledCount;
        }
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        opened = (copy ? doc->OnOpenDocumentCopy(path) : doc->OnOpenDocument(path)) != 0;
        QApplication::restoreOverrideCursor();
    }
    if (opened) {
        if (CreateNewFrame(doc, nullptr))
            return doc;
        tell(DocumentStrings::failedToCreateDoc, path);
    }
    RemoveDocument(doc);
    return nullptr;
}

MCOpusWnd* MCOpusTemplate::CreateNewFrame(MCOpusDoc* doc, MCOpusWnd* other)
{
    // Without any view plug-in the document still opens, in the template's own frame with
    // an empty client: it plays, records and saves, only nothing draws its music.
    if (CPluginView::GetPlugins().empty())
        return CreateNewFrameClass(doc, other, m_frameClass ? m_frameClass : &MCOpusWnd::classObject, nullptr);
    const CPluginView* first = nullptr;
    for (const CPluginView* plugin : CPluginView::GetPlugins()) {
        if (!first)
            first = plugin;
        std::string menu;
        plugin->LoadMenuString(menu);
        const std::string section = "\\PlugIns\\Views\\" + menu;
        if (LoadIntPreference(section.c_str(), "Visible", 0)) {
            m_frameClass = plugin->GetFrameClass();
            m_viewClass = plugin->GetViewClass();
            first = nullptr;
            break;
        }
    }
    if (first && !m_viewClass) {
        m_frameClass = first->GetFrameClass();
        m_viewClass = first->GetViewClass();
    }
    return CreateNewFrameClass(doc, other, m_frameClass, m_viewClass);
}

MCOpusWnd* MCOpusTemplate::CreateNewFrameClass(MCOpusDoc* doc, MCOpusWnd* /*other*/, const plat::RuntimeClass* frameClass,
                                               const plat::RuntimeClass* viewClass)
{
    // No view class: the frame's client is empty (view id 0).
    const CPluginView* plugin = viewClass ? CPluginView::FindPlugin(viewClass) : nullptr;
    if ((viewClass && !plugin) || !frameClass || !m_mdiArea)
        return nullptr;
    std::unique_ptr<plat::Object> frameObject(frameClass->createObject());
    auto* frame = dynamic_cast<MCOpusWnd*>(frameObject.get());
    if (!frame)
        return nullptr;
    std::unique_ptr<QWidget> view;
    if (viewClass) {
        std::unique_ptr<plat::Object> viewObject(viewClass->createObject());
        if (!dynamic_cast<QWidget*>(viewObject.get())) {
            plat::trace("MCOpusTemplate::CreateNewFrameClass -- %s is no window", viewClass->name);
            return nullptr;
        }
        view.reset(dynamic_cast<QWidget*>(viewObject.release()));
    } else {
        view = emptyClient();
    }
    frameObject.release();
    frame->setWidget(view.release());
    frame->SetTemplate(this);
    frame->InitFrame(doc, plugin ? plugin->GetViewID() : 0);
    // The view's own icon, from the module that registered it.
    if (plugin) {
        if (const auto icon = plat::ui::ImageResources::load(plugin->GetModule(),
                                                             plat::ui::ImageResources::imageName(plugin->GetResID())))
            frame->setWindowIcon(QIcon(QPixmap::fromImage(*icon)));
    }
    m_mdiArea->addSubWindow(frame);
    frame->hide();
    frame->OnUpdateFrameTitle();
    return frame;
}

std::vector<MCOpusDoc*> MCOpusTemplate::GetDocuments() const
{
    std::vector<MCOpusDoc*> docs;
    for (const auto& doc : m_documents)
        docs.push_back(doc.get());
    return docs;
}

std::vector<MCOpusWnd*> MCOpusTemplate::GetFrames(const MCOpusDoc* doc) const
{
    std::vector<MCOpusWnd*> frames;
    if (!m_mdiArea)
        return frames;
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList()) {
        auto* frame = dynamic_cast<MCOpusWnd*>(sub);
        if (frame && frame->GetDocument() == doc)
            frames.push_back(frame);
    }
    return frames;
}

MCOpusWnd* MCOpusTemplate::GetViewFrame(const MCOpusDoc* doc, unsigned viewId) const
{
    for (MCOpusWnd* frame : GetFrames(doc)) {
        if (frame->GetViewID() == viewId)
            return frame;
    }
    return nullptr;
}

int MCOpusTemplate::CloseDocument(MCOpusDoc* doc)
{
    doc->OnFileClose();
    // A document the user chose to keep still has its music.
    if (doc->GetBaseEvent())
        return 0;
    const std::vector<MCOpusWnd*> frames = GetFrames(doc);
    const bool wasActive =
        m_mdiArea && std::find(frames.begin(), frames.end(), m_mdiArea->activeSubWindow()) != frames.end();
    RemoveDocument(doc);
    // The area does not let go of a removed active window by itself: the window used last
    // before it comes to the front, as it would after closing any other window.
    if (wasActive) {
        const QList<QMdiSubWindow*> used = m_mdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
        const auto shown =
            std::find_if(used.rbegin(), used.rend(), [](const QMdiSubWindow* w) { return w->isVisible(); });
        if (shown != used.rend())
            m_mdiArea->setActiveSubWindow(*shown);
    }
    return 1;
}

void MCOpusTemplate::RemoveDocument(MCOpusDoc* doc)
{
    for (MCOpusWnd* frame : GetFrames(doc)) {
        frame->OnDestroy();
        frame->SetDocument(nullptr);
        DiscardFrame(frame);
    }
    if (MCOpusDoc::GetActiveDoc() == doc)
        MCOpusDoc::SetActiveDoc(nullptr);
    auto found = std::find_if(m_documents.begin(), m_documents.end(),
                              [doc](const std::unique_ptr<MCOpusDoc>& held) { return held.get() == doc; });
    if (found != m_documents.end())
        m_documents.erase(found);
}

void MCOpusTemplate::DiscardFrame(MCOpusWnd* frame)
{
    std::erase_if(m_discarded, [](const QPointer<MCOpusWnd>& held) { return held.isNull(); });
    frame->hide();
    if (m_mdiArea)
        m_mdiArea->removeSubWindow(frame);
    m_discarded.emplace_back(frame);
    frame->deleteLater();
}

void MCOpusTemplate::UpdateTracks(ECPerformance* performance)
{
    if (!performance)
        return;
    const int device = LoadIntPreference("Sequencer\\Midi\\Play", "Default Device", 0);
    ACFindEvents staves;
    staves.AddEvtType(EventId::Staff);
    staves.SetDepth(2);
    staves.Apply(performance);
    for (ECBase* staff : staves.GetEvents()) {
        auto* track = plat::dynamicDowncast<DCsqTrack>(staff->GetData(0, 0));
        if (!track)
            continue;
        for (int voice = 0; voice < 8; ++voice) {
            if (MCVoiceMap* map = track->GetVoiceMap(voice))
                map->SetDevice(static_cast<unsigned>(device));
        }
    }
}

void MCOpusTemplate::UpdateOwnerLine(ECPerformance* performance, int year, const std::string& owner)
{
    ECBase* conductor = performance ? performance->GetDescendant(EventId::ConductorStaff, -1) : nullptr;
    if (!conductor)
        return;
    ACFindEvents texts;
    texts.AddEvtType(EventId::Text);
    texts.Apply(conductor);
    for (ECBase* element : texts.GetEvents()) {
        auto* text = plat::dynamicDowncast<ECText>(element);
        if (text && text->GetTextType() == 1)
            text->SetText(plat::format("Copyright \xC2\xA9 %d %s", year, owner.c_str()));
    }
}
