#include "glyphtray/views/CMusicWnd.h"

#include "interface/document/CPluginMusic.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/pages/MCMusicPage.h"
#include "notabase/prefs/Preferences.h"

#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

CMusicWnd::CMusicWnd(QWidget* mainFrame, QWidget* client) : MCToolWnd(client)
{
    setObjectName("MusicPalette");
    ReadAutoCollapse();
    qApp->installEventFilter(this);
    InitToolLayout(mainFrame, kDialogId);
}

CMusicWnd::~CMusicWnd()
{
    qApp->removeEventFilter(this);
    m_watch.Stop();
    SavePrefs(kSection);
    if (MCMusicPage::GetMusicWnd() == this)
        MCMusicPage::SetMusicWnd(nullptr);
    RemovePages();
}

bool CMusicWnd::InitToolLayout(QWidget* mainFrame, int id)
{
    if (!MCToolWnd::InitToolLayout(mainFrame, id))
        return false;
    setWindowTitle("Music Palette");
    EnableDocking(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    QWidget* body = Body();
    m_tabs = new QTabWidget(body);
    m_tabs->setObjectName("PaletteTabs");
    m_tabs->setUsesScrollButtons(true);
    m_empty = new QLabel("No palette pages", body);
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setEnabled(false);
    m_empty->setMargin(12);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_tabs);
    layout->addWidget(m_empty);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (auto* page = dynamic_cast<MCMusicPage*>(m_tabs->widget(index)))
            page->onSetActive();
    });
    MCMusicPage::SetMusicWnd(this);
    UpdatePages();
    LoadPrefs(kSection);
    return true;
}

void CMusicWnd::RemovePages()
{
    if (!m_tabs)
        return;
    // The pages are their registrations': they leave before the tabs would delete them.
    const QSignalBlocker block(m_tabs);
    for (int i = m_tabs->count() - 1; i >= 0; --i) {
        QWidget* page = m_tabs->widget(i);
        m_tabs->removeTab(i);
        page->hide();
        page->setParent(nullptr);
    }
}

void CMusicWnd::UpdatePages()
{
    if (!m_tabs)
        return;
    RemovePages();
    {
        const QSignalBlocker block(m_tabs);
        for (CPluginMusic* plugin : CPluginMusic::GetPlugins()) {
            if (auto* page = dynamic_cast<MCMusicPage*>(plugin->GetMusicPage()))
                m_tabs->addTab(page, QString::fromStdString(page->GetTitle()));
        }
    }
    m_tabs->setVisible(m_tabs->count() > 0);
    m_empty->setVisible(m_tabs->count() == 0);
    if (auto* page = ActivePage())
        page->onSetActive();
    updateGeometry();
}

int CMusicWnd::PageCount() const
{
    return m_tabs ? m_tabs->count() : 0;
}

MCMusicPage* CMusicWnd::Page(int index) const
{
    return m_tabs ? dynamic_cast<MCMusicPage*>(m_tabs->widget(index)) : nullptr;
}

MCMusicPage* CMusicWnd::ActivePage() const
{
    return m_tabs ? dynamic_cast<MCMusicPage*>(m_tabs->currentWidget()) : nullptr;
}

bool CMusicWnd::SetActivePage(int index)
{
    if (index < 0 || index >= PageCount())
        return false;
    m_tabs->setCurrentIndex(index);
    return true;
}

QSize CMusicWnd::CalcFixedLayout(bool, bool) const
{
    const QLayout* layout = Body() ? Body()->layout() : nullptr;
    return layout ? layout->sizeHint() : m_sizeDefault;
}

void CMusicWnd::LoadPrefs(const char* section)
{
    MCToolWnd::LoadPrefs(section);
    if (m_autoCollapse)
        Collapse();
}

void CMusicWnd::SavePrefs(const char* section) const
{
    MCToolWnd::SavePrefs(section);
}

void CMusicWnd::ReadAutoCollapse()
{
    m_autoCollapse = LoadIntPreference(kSection, "AutoCollapse", 0) != 0;
}

void CMusicWnd::OnUpdate(long hint, SCBase* state)
{
    if (!m_tabs)
        return;
    if (hint == 1600) {
        ReadAutoCollapse();
        if (m_autoCollapse)
            Collapse();
        else
            Expand();
    }
    auto* object = dynamic_cast<plat::Object*>(state);
    for (int i = 0; i < PageCount(); ++i) {
        MCMusicPage* page = Page(i);
        if (!page)
            continue;
        // The symbols are there to insert into a document: they follow whether one is open.
        if (hint >= 1300 && hint <= 1303)
            page->UpdatePage();
        page->OnUpdate(hint, object);
    }
}

void CMusicWnd::Collapse()
{
    if (m_collapsed)
        return;
    if (m_watch.IsRunning()) {
        if (!m_watch.OutsideLongEnough())
            return;
        m_watch.Stop();
    }
    m_collapsed = true;
    Body()->hide();
    if (isFloating())
        adjustSize();
}

void CMusicWnd::Expand()
{
    if (!m_collapsed)
        return;
    m_collapsed = false;
    Body()->show();
    if (isFloating())
        adjustSize();
    if (m_autoCollapse)
        m_watch.Start();
}

void CMusicWnd::onNotice(int, int code, QWidget* control)
{
    // A page brought forward asks for the room it needs.
    if (code == MCMusicPage::kPageActivated && control) {
        updateGeometry();
        if (isFloating() && !m_collapsed)
            adjustSize();
    }
}

bool CMusicWnd::onCommand(uint32_t id)
{
    if (id < kFirstPageCommand || id > kLastPageCommand)
        return false;
    if (SetActivePage(int(id - kFirstPageCommand))) {
        show();
        raise();
        Expand();
    }
    return true;
}

bool CMusicWnd::onUpdateCommand(uint32_t id, plat::ui::CommandState& state)
{
    if (id < kFirstPageCommand || id > kLastPageCommand)
        return false;
    const int index = int(id - kFirstPageCommand);
    state.enabled = index < PageCount();
    state.checked = state.enabled && isVisible() && m_tabs->currentIndex() == index;
    return true;
}

bool CMusicWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && (widget == this || isAncestorOf(widget)))
            Expand();
    }
    return MCToolWnd::eventFilter(watched, event);
}
