#pragma once

#include "interface/InterfaceExport.h"

#include <QMdiArea>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ECPerformance;
class MCOpusDoc;
class MCOpusWnd;
namespace plat {
struct RuntimeClass;
}

// The document template of the program: it makes the documents, opens files and templates
// into them, and makes the frames in which the view plug-ins show them, in the program's
// MDI area. It owns its documents; a document goes when its last frame closes it.
//
// Every way of closing a document (a frame's close button or system menu, the window and file
// commands, quitting) comes to CloseDocument, which asks to save. The frames of a closed
// document leave the MDI area at once but are deleted only once the event that closed them
// has returned: the click that closes a frame is still being handled by that frame, its
// system menu or its buttons in the menu bar.
class INTERFACE_API MCOpusTemplate {
public:
    // viewClass and frameClass may be null: the first frame made chooses them from the view
    // registry.
    MCOpusTemplate(unsigned resourceId, const plat::RuntimeClass* viewClass, const plat::RuntimeClass* frameClass);
    virtual ~MCOpusTemplate();
    MCOpusTemplate(const MCOpusTemplate&) = delete;
    MCOpusTemplate& operator=(const MCOpusTemplate&) = delete;

    // Runs a command id through the program's command routing (the tool windows send the
    // program's commands this way); the program installs it.
    using CommandRouter = std::function<void(uint32_t id)>;
    static CommandRouter SetCommandRouter(CommandRouter router);
    static void RouteCommand(uint32_t id);

    void SetMdiArea(QMdiArea* area) { m_mdiArea = area; }
    QMdiArea* GetMdiArea() const { return m_mdiArea; }
    unsigned GetResourceId() const { return m_resourceId; }

    // Opens a document file; null (after telling the user why) when it cannot. The frame is
    // made but not shown: the caller shows it.
    virtual MCOpusDoc* OpenDocumentFile(const std::string& path);
    // Opens a template file as a new untitled native document.
    virtual MCOpusDoc* OpenDocumentTemplate(const std::string& path);
    // Opens a recovery copy as a modified untitled native document named title; the copy stays
    // as its backup, where auto-save goes on writing, until it is saved or closed.
    MCOpusDoc* OpenRecoveryCopy(const std::string& path, const std::string& title);
    // A new empty document.
    virtual MCOpusDoc* OpenNewDocument();
    // The frame of the default view of doc (the first view plug-in marked "Visible").
    virtual MCOpusWnd* CreateNewFrame(MCOpusDoc* doc, MCOpusWnd* other);
    // The frame of the view plug-in of viewClass.
    virtual MCOpusWnd* CreateNewFrameClass(MCOpusDoc* doc, MCOpusWnd* other, const plat::RuntimeClass* frameClass,
                                           const plat::RuntimeClass* viewClass);

    // Asks to save a modified document, then closes it with its frames; 0 when the user kept
    // it open. Safe to call from inside any event handler of the document's frames.
    int CloseDocument(MCOpusDoc* doc);
    std::vector<MCOpusDoc*> GetDocuments() const;
    // Every template that exists, in the order made: with their documents, every open one.
    static std::vector<MCOpusTemplate*> GetTemplates();
    std::vector<MCOpusWnd*> GetFrames(const MCOpusDoc* doc) const;
    // The frame of doc that shows the view of viewId, or null.
    MCOpusWnd* GetViewFrame(const MCOpusDoc* doc, unsigned viewId) const;

    const plat::RuntimeClass* GetFrameClass() const { return m_frameClass; }
    const plat::RuntimeClass* GetViewClass() const { return m_viewClass; }

    // Every staff's voice maps play on the preferred MIDI output.
    static void UpdateTracks(ECPerformance* performance);
    // The copyright texts of the conductor staff name the year and the owner.
    static void UpdateOwnerLine(ECPerformance* performance, int year, const std::string& owner);

private:
    // copy: the file is read as the contents of a new document, which does not hold it.
    MCOpusDoc* CommonOpen(const std::string& path, bool copy = false);
    // Opens a file in our own format as a new document that does not hold the file: a template
    // or a recovery copy. Says why when the file cannot be opened.
    MCOpusDoc* OpenNativeCopy(const std::string& path);
    void SetDefaultTitle(MCOpusDoc* doc);
    void RemoveDocument(MCOpusDoc* doc);
    // Takes a frame out of the MDI area and deletes it when the event loop next runs (or with
    // the template, whichever comes first).
    void DiscardFrame(MCOpusWnd* frame);

    unsigned m_resourceId;
    const plat::RuntimeClass* m_viewClass;
    const plat::RuntimeClass* m_frameClass;
    int m_untitledCount = 0;
    // The area is the main frame's, which may go first.
    QPointer<QMdiArea> m_mdiArea;
    std::vector<std::unique_ptr<MCOpusDoc>> m_documents;
    // Frames taken out of the area whose deletion is still pending.
    std::vector<QPointer<MCOpusWnd>> m_discarded;
};
