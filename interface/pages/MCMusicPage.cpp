#include "interface/pages/MCMusicPage.h"

#include "interface/document/MCOpusDoc.h"
#include "interface/pages/MCMusicButton.h"
#include "interface/views/ToolTipProtocol.h"
#include "notabase/states/SCMode.h"
#include "platform/core/Resources.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <algorithm>

PLAT_IMPLEMENT_SERIAL(MCMusicPage, plat::Object, 1 | plat::kVersionableSchema)

namespace {

struct Shared {
    QPointer<QWidget> musicWnd;
    MCMusicPage* symbolPage = nullptr;
    std::vector<unsigned> symbols;
};

Shared& shared()
{
    static Shared state;
    return state;
}

}  // namespace

MCMusicPage::MCMusicPage(QWidget* parent) : plat::ui::PropertyPage(parent) {}

MCMusicPage::MCMusicPage(int templateId, QWidget* parent) : plat::ui::PropertyPage(parent), m_templateId(templateId) {}

QWidget* MCMusicPage::GetMusicWnd()
{
    return shared().musicWnd;
}

void MCMusicPage::SetMusicWnd(QWidget* window)
{
    shared().musicWnd = window;
}

MCMusicPage* MCMusicPage::GetSymbolPage()
{
    return shared().symbolPage;
}

const std::vector<unsigned>& MCMusicPage::GetSymbols()
{
    return shared().symbols;
}

void MCMusicPage::AddSymbol(unsigned id)
{
    if (id != 0)
        shared().symbols.push_back(id);
}

bool MCMusicPage::FindSymbol(unsigned id)
{
    const auto& symbols = shared().symbols;
    return std::find(symbols.begin(), symbols.end(), id) != symbols.end();
}

void MCMusicPage::RemoveSymbol(unsigned id)
{
    auto& symbols = shared().symbols;
    if (const auto at = std::find(symbols.begin(), symbols.end(), id); at != symbols.end())
        symbols.erase(at);
}

void MCMusicPage::RemoveSymbols()
{
    shared().symbols.clear();
}

std::string MCMusicPage::GetTitle() const
{
    const std::string title = m_templateId ? plat::Resources::string(uint32_t(m_templateId)) : std::string();
    return title.empty() ? "Music" : title;
}

QSize MCMusicPage::GetSize()
{
    if (m_sizeDialog.isEmpty())
        m_sizeDialog = sizeHint().expandedTo(minimumSizeHint());
    return m_sizeDialog;
}

void MCMusicPage::ClearPage()
{
    for (MCMusicButton* button : findChildren<MCMusicButton*>())
        button->SetButtonState(0);
    EnableForActiveDocument();
}

void MCMusicPage::UpdatePage()
{
    EnableForActiveDocument();
}

void MCMusicPage::OnUpdate(long, plat::Object*) {}

void MCMusicPage::SetEventType(int type)
{
    shared().symbolPage = this;
    SCMode::SetEventType(type);
    auto* mode = new SCMode(SCMode::kEventMode);
    mode->SetSynchronous(1);
    mode->Apply(nullptr);
}

bool MCMusicPage::onSetActive()
{
    if (!plat::ui::PropertyPage::onSetActive())
        return false;
    plat::ui::notifyParent(this, kPageActivated);
    EnableForActiveDocument();
    return true;
}

void MCMusicPage::EnableChildWindows(bool enable)
{
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setEnabled(enable);
}

void MCMusicPage::ShowChildWindows()
{
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->show();
}

void MCMusicPage::EnableForActiveDocument()
{
    EnableChildWindows(MCOpusDoc::GetActiveDoc() != nullptr);
}

void MCMusicPage::doDataExchange(plat::ui::DataExchange& exchange)
{
    if (!m_bInitialized)
        m_bInitialized = InitPage();
    if (!exchange.saving())
        UpdatePage();
}

bool MCMusicPage::event(QEvent* event)
{
    return tooltips::HandleToolTipEvent(this, event) || plat::ui::PropertyPage::event(event);
}
