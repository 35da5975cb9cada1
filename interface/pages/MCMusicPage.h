#pragma once

#include "interface/InterfaceExport.h"

#include "platform/core/Object.h"
#include "platform/ui/dialog/PropertyPage.h"

#include <QPointer>
#include <QSize>

#include <string>
#include <vector>

class ECBase;

// The base of the music palette's pages of symbol buttons. Its controls are enabled exactly
// while a document is open. Choosing a symbol (SetEventType) switches the program to inserting
// elements of that type. Class-wide: the palette window, the page that chose last, and the
// list of symbol ids on offer.
class INTERFACE_API MCMusicPage : public plat::ui::PropertyPage, public plat::Object {
    PLAT_DECLARE_SERIAL(MCMusicPage)
public:
    // Sent to the palette window when the page becomes the current one; the page comes with it.
    static constexpr int kPageActivated = 0x3110;
    static constexpr int kHelpIdBase = 0x20000;

    explicit MCMusicPage(QWidget* parent = nullptr);
    // A page whose title is the string templateId.
    explicit MCMusicPage(int templateId, QWidget* parent = nullptr);

    static QWidget* GetMusicWnd();
    static void SetMusicWnd(QWidget* window);
    static MCMusicPage* GetSymbolPage();
    static const std::vector<unsigned>& GetSymbols();
    // Adds a non-zero id.
    static void AddSymbol(unsigned id);
    static bool FindSymbol(unsigned id);
    // Removes the first occurrence of id.
    static void RemoveSymbol(unsigned id);
    static void RemoveSymbols();

    // The string of the page's template id; "Music" without one.
    virtual std::string GetTitle() const;
    virtual QSize GetSize();
    virtual bool InitPage() { return true; }
    // Releases every symbol button; the controls follow the open document.
    virtual void ClearPage();
    virtual void UpdatePage();
    virtual void OnUpdate(long hint, plat::Object* object);
    // The element of the chosen symbol (none in the base).
    virtual ECBase* GetEvent() { return nullptr; }
    // The program inserts elements of type from now on.
    virtual void SetEventType(int type);
    // No help beyond the status texts: the request is taken, nothing shown.
    virtual int OnCommandHelp(int) { return 1; }
    virtual int OnHelpHitTest() const { return kHelpIdBase; }

    bool onSetActive() override;
    void EnableChildWindows(bool enable);
    void ShowChildWindows();
    int GetTemplateID() const { return m_templateId; }

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;
    bool event(QEvent* event) override;
    // The children are enabled exactly while a document is open.
    void EnableForActiveDocument();

private:
    int m_templateId = 0;
    bool m_bInitialized = false;
    QSize m_sizeDialog{0, 0};
};
