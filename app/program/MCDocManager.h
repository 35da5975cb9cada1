#pragma once

#include "app/program/COpenDialog.h"

#include <cstdint>
#include <functional>
#include <string>

class ECWave;
class MCCommandList;
class MCOpusDoc;
class MCOpusTemplate;
class QWidget;

// The program's document manager: File Open, File New and new documents from templates, and
// the set-up pass every document takes before the user sees it (upgrade, staff names, wave
// clips tested against their files, the file state announced, the remembered views shown).
class MCDocManager {
public:
    // The application's open, which the paths chosen in File Open go to; by default the
    // manager's own OpenDocumentFile.
    using FileOpener = std::function<MCOpusDoc*(const std::string& path)>;
    // Runs the New Music Document dialog; the template path chosen, or nothing on Cancel.
    using NewMusicRunner = std::function<bool(std::string& templatePath)>;

    explicit MCDocManager(MCOpusTemplate& docTemplate);
    virtual ~MCDocManager();
    MCDocManager(const MCDocManager&) = delete;
    MCDocManager& operator=(const MCDocManager&) = delete;

    void SetMainWindow(QWidget* window);
    void SetFileOpener(FileOpener opener) { m_opener = std::move(opener); }
    void SetNewMusicRunner(NewMusicRunner runner) { m_newMusic = std::move(runner); }

    // Opens the file named by path (quotes around it dropped, made absolute, a link followed);
    // a document already open on it is activated instead. Null when it could not be opened.
    virtual MCOpusDoc* OpenDocumentFile(const char* path);
    // The New Music Document dialog, then a document from the chosen template.
    virtual void OnFileNew();
    // The open dialog; every chosen path goes to the application's open.
    virtual void OnFileOpen();
    // A new untitled document from the template file at path.
    virtual MCOpusDoc* OpenTemplate(const char* path);

    // Runs the open dialog with the remembered filter entry and folder; non-zero on OK, with
    // the first path chosen in fileName.
    int DoPromptOpen(std::string& fileName, const std::string& title, uint32_t flags);
    // 1 when the document was set up, 0 otherwise.
    int SetUpDocument(MCOpusDoc* document, int newDocument);
    void NameTracks(MCOpusDoc* document);
    void RelinkWaves(MCOpusDoc* document);
    // Asks for a new file; 1 when the user linked a readable PCM file, which replaces the clip.
    // Otherwise the clip stays.
    int RelinkMissingWave(ECWave* clip, MCCommandList* list);

    COpenDialog& OpenDialog() { return m_openDialog; }

    // "Settings\Open" "Extension": the string id of the filter entry chosen last.
    static constexpr int kDefaultExtension = 356;

private:
    MCOpusTemplate& m_template;
    QWidget* m_mainWindow = nullptr;
    FileOpener m_opener;
    NewMusicRunner m_newMusic;
    COpenDialog m_openDialog;
};
