#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCInspectorPage.h"
#include "platform/core/CallbackList.h"

#include <QFont>

#include <memory>
#include <string>

class ECPerformance;
class MCOpusHeader;
class QLabel;

// The page shown when nothing is selected: which file the active document is, and when that
// file was created, modified and last accessed. It only shows; Apply changes nothing.
class INSPECTOR_API PCPerformance : public MCInspectorPage {
    PLAT_DECLARE_DYNCREATE(PCPerformance)
public:
    enum : int { kIcon = 4401, kFileName = 4402, kPath = 4403, kCreated = 4404, kModified = 4405, kAccessed = 4406 };
    // The icons of a native document and of a Standard MIDI File.
    enum : int { kNativeIcon = 4412, kMidiIcon = 4413 };

    PCPerformance();
    ~PCPerformance() override;

    // Follows the document's file too: a Save As shows the new file at once.
    void SetDocument(MCOpusDoc* document) override;
    // The texts wrap and change with the document: the page keeps its width and takes the
    // height they need at it.
    QSize GetSize() override;
    bool InitPage() override;
    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;

    // A file time as the page shows it: weekday, month, day, year and the 12-hour time, in
    // the local time zone; "" for a time that is not known (0).
    static std::string FormatFileTime(int64_t seconds);
    // The icon of the document's format (one of the kinds above), drawn at the size asked.
    static QPixmap FormatIcon(int kind, int size);

    const std::string& GetFileName() const { return m_fileName; }
    const std::string& GetPathName() const { return m_pathName; }

protected:
    void DoDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void OnDocumentRenamed();

    std::string m_fileName;
    std::string m_pathName;
    std::string m_createTime;
    std::string m_modifyTime;
    std::string m_accessTime;
    std::unique_ptr<QFont> m_largeFont;
    MCOpusHeader* m_pHeader = nullptr;
    ECPerformance* m_pPerformance = nullptr;
    QLabel* m_icon;
    plat::Connection m_nameConnection;
};
