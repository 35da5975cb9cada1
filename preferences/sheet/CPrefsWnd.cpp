#include "preferences/sheet/CPrefsWnd.h"

#include "preferences/core/PrefsModule.h"

#include "interface/document/CPluginPrefs.h"
#include "interface/pages/MCPrefsPage.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCPrefs.h"
#include "platform/core/Object.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPushButton>

namespace {

constexpr const char* kSection = "Settings";

}  // namespace

CPrefsWnd::CPrefsWnd(int category, QWidget* parent)
    : plat::ui::PropertySheet(PrefsModule::String(PrefsModule::kSheetCaption), parent), m_category(category)
{
    for (const CPluginPrefs* plugin : CPluginPrefs::GetPlugins()) {
        if (plugin->GetCategory() != m_category)
            continue;
        std::unique_ptr<plat::Object> object = plugin->GetPrefsPage();
        auto* page = dynamic_cast<MCPrefsPage*>(object.get());
        if (!page)
            continue;
        object.release();
        // The sheet owns its pages from here.
        addPage(page, page->windowTitle().toStdString());
    }
    // Apply saves, then the change is announced; a page that refuses a value keeps the sheet
    // as it is and announces nothing.
    QObject::disconnect(applyButton(), &QPushButton::clicked, this, nullptr);
    connect(applyButton(), &QPushButton::clicked, this, [this] { OnCommand(kApply); });
    OnInitDialog();
}

CPrefsWnd::~CPrefsWnd() = default;

void CPrefsWnd::OnInitDialog()
{
    m_title = m_category >= 0 && m_category <= 3
                  ? PrefsModule::String(PrefsModule::kFirstCategoryTitle + static_cast<uint32_t>(m_category))
                  : std::string();
    if (m_title.empty())
        m_title = PrefsModule::String(PrefsModule::kSheetCaption);
    setWindowTitle(QString::fromStdString(m_title));
    // A page index stored when the sheet had more pages (a plug-in's page went away) falls back
    // to the first.
    const int last = LoadIntPreference(kSection, m_title.c_str(), 0);
    setActivePage(last >= 0 && last < pageCount() ? last : 0);
}

MCPrefsPage* CPrefsWnd::GetPrefsPage(int index) const
{
    return dynamic_cast<MCPrefsPage*>(page(index));
}

bool CPrefsWnd::OnCommand(uint32_t id)
{
    if (id == kOk) {
        accept();
        return true;
    }
    if (id == kApply) {
        ApplyAndAnnounce();
        return true;
    }
    if (id >= kFirstPageCommand && id <= kLastPageCommand) {
        const int index = static_cast<int>(id - kFirstPageCommand);
        if (index < pageCount())
            setActivePage(index);
        return true;
    }
    return false;
}

bool CPrefsWnd::ApplyAndAnnounce()
{
    if (!apply())
        return false;
    auto* changed = new SCPrefs(SCPrefs::kPrefsChanged);
    changed->SetSynchronous(1);
    MCStateMgr::ApplyState(changed, nullptr);
    return true;
}

void CPrefsWnd::accept()
{
    if (ApplyAndAnnounce())
        QDialog::accept();
}

void CPrefsWnd::done(int result)
{
    if (const plat::ui::PropertyPage* active = activePage()) {
        for (int i = 0; i < pageCount(); ++i) {
            if (page(i) == active)
                SaveIntPreference(kSection, m_title.c_str(), i);
        }
    }
    plat::ui::PropertySheet::done(result);
}

void CPrefsWnd::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    auto* group = new QActionGroup(&menu);
    for (int i = 0; i < pageCount(); ++i) {
        QAction* action = menu.addAction(page(i)->windowTitle());
        action->setCheckable(true);
        action->setChecked(page(i) == activePage());
        action->setData(i);
        group->addAction(action);
    }
    if (QAction* picked = plat::ui::ModalHooks::popupMenu(menu, event->globalPos()))
        OnCommand(kFirstPageCommand + static_cast<uint32_t>(picked->data().toInt()));
    event->accept();
}
