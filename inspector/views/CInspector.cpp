#include "inspector/views/CInspector.h"

#include "inspector/views/CPropertiesWnd.h"
#include "inspector/views/CPropsEmpty.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/pages/MCInspectorPage.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/MCEventList.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/states/SCBase.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

constexpr const char* kCaption = "Inspector";

// The tabs size themselves around the page the sheet is sized to, not around the largest of all
// the pages they hold.
class PageTabs : public QTabWidget {
public:
    explicit PageTabs(QWidget* parent) : QTabWidget(parent) {}

    bool SetPageSize(QSize size)
    {
        if (size == m_pageSize)
            return false;
        m_pageSize = size;
        updateGeometry();
        return true;
    }
    QSize sizeHint() const override
    {
        const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        const QSize bar = tabBar()->sizeHint();
        return QSize(std::max(m_pageSize.width(), bar.width()), m_pageSize.height() + bar.height()) +
               QSize(2 * frame, 2 * frame);
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    QSize m_pageSize{0, 0};
};

}  // namespace

CInspector::CInspector(QWidget* parent, CPropertiesWnd* tool)
    : QWidget(parent), m_empty(std::make_unique<CPropsEmpty>()), m_tool(tool)
{
    setObjectName("Inspector");
    setWindowTitle(kCaption);
    m_tabs = new PageTabs(this);
    m_tabs->setUsesScrollButtons(true);
    m_reset = new QPushButton("Reset", this);
    m_apply = new QPushButton("Apply", this);
    m_reset->setAutoDefault(false);
    m_apply->setAutoDefault(false);
    m_apply->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_reset);
    buttons->addWidget(m_apply);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);
    connect(m_apply, &QPushButton::clicked, this, [this] { Apply(); });
    connect(m_reset, &QPushButton::clicked, this, [this] { ResetPages(); });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) { OnCurrentChanged(index); });
    AddPage(m_empty.get());
    SizeToPage(m_empty.get());
}

CInspector::~CInspector()
{
    // The pages are the registry's: they leave before the tabs would delete them.
    m_flags |= kRebuilding;
    RemoveAllPages();
}

MCInspectorPage* CInspector::AsPage(QWidget* widget)
{
    return dynamic_cast<MCInspectorPage*>(widget);
}

int CInspector::PageCount() const
{
    return m_tabs->count();
}

QWidget* CInspector::Page(int index) const
{
    return m_tabs->widget(index);
}

QWidget* CInspector::ActivePage() const
{
    return m_tabs->currentWidget();
}

QString CInspector::TabText(int index) const
{
    return m_tabs->tabText(index);
}

bool CInspector::SetActivePage(int index)
{
    if (index < 0 || index >= m_tabs->count())
        return false;
    m_tabs->setCurrentIndex(index);
    OnCurrentChanged(index);
    return m_tabs->currentIndex() == index;
}

void CInspector::AddPage(QWidget* page)
{
    if (auto* p = AsPage(page))
        p->setModifiedHandler([this] { UpdateApply(); });
    m_tabs->addTab(page, page->windowTitle());
}

void CInspector::RemoveAllPages()
{
    for (int i = m_tabs->count() - 1; i >= 0; --i) {
        QWidget* page = m_tabs->widget(i);
        m_tabs->removeTab(i);
        if (auto* p = AsPage(page)) {
            p->SetDocument(nullptr);
            p->SetEventList(nullptr);
            p->setModifiedHandler({});
            // Changes not applied go with the elements they were made for.
            p->SetModifiedFlag(false);
            p->PostNcDestroy();
        }
        page->hide();
        page->setParent(nullptr);
    }
    m_current = nullptr;
    m_behind.clear();
    UpdateApply();
}

void CInspector::OnCurrentChanged(int index)
{
    if (IsRebuilding())
        return;
    QWidget* page = m_tabs->widget(index);
    if (page == m_current)
        return;
    if (auto* old = AsPage(m_current); old && old->IsModified() && !old->onKillActive()) {
        // A value that does not validate keeps the user on its page.
        const QSignalBlocker block(m_tabs);
        m_tabs->setCurrentWidget(m_current);
        return;
    }
    m_current = page;
    if (auto* p = AsPage(page)) {
        p->onSetActive();
        // A page refreshed while behind another shows the values it took then.
        if (m_behind.erase(page) && !p->IsModified())
            p->updateData(false);
    }
}

int CInspector::ShowPages(MCEventList& selection)
{
    if (m_nType != kNoType && m_current && m_current != m_empty.get())
        SetDefaultPage(m_nType, m_current);
    CPluginInspector::PageList list;
    int type = kNoType;
    if (CPluginInspector::GetInspectors(selection, list)) {
        type = selection.GetEventType();
    } else if (selection.IsEmpty() && CPluginInspector::GetInspectors(kPerformanceType, list)) {
        // Only an empty selection falls back to the document's own page: a selection whose
        // types share no page has no properties to show.
        type = kPerformanceType;
    } else {
        list.clear();
    }
    if (list.empty()) {
        m_nType = kNoType;
        m_pages.clear();
        return 0;
    }
    m_nType = type;
    if (CPluginInspector::ListsEqual(list, m_pages))
        return 1;

    m_pages = list;
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    setUpdatesEnabled(false);
    m_flags |= kRebuilding;
    RemoveAllPages();
    for (plat::Object* object : m_pages) {
        auto* page = dynamic_cast<MCInspectorPage*>(object);
        if (!page)
            continue;
        AddPage(page);
        page->SetDocument(doc);
        page->SetEventList(&selection);
        page->UpdatePage();
        page->SetModifiedFlag(false);
    }
    setUpdatesEnabled(true);
    m_flags &= ~kRebuilding;
    const int remembered = m_tabs->indexOf(GetDefaultPage(m_nType));
    SetActivePage(remembered >= 0 ? remembered : 0);
    SizeToPage();
    return 2;
}

int CInspector::ShowProperties(MCEventList& selection, bool sameElements)
{
    const int shown = ShowPages(selection);
    if (shown == 0) {
        setWindowTitle(kCaption);
        return 0;
    }
    if (shown == 1) {
        MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
        for (int i = 0; i < m_tabs->count(); ++i) {
            if (auto* page = AsPage(m_tabs->widget(i))) {
                // The elements shown changed under the pages (a command, the mixer): what the
                // user entered for them and has not applied yet stays.
                if (sameElements && page->IsModified())
                    continue;
                page->SetDocument(doc);
                page->SetEventList(&selection);
                page->UpdatePage();
                // Other elements: a change the user made for the last ones is not theirs, and
                // Apply must not offer it.
                page->SetModifiedFlag(false);
                if (page != ActivePage())
                    m_behind.insert(page);
            }
        }
        UpdateApply();
    } else {
        update();
    }
    const std::string name = m_nType >= 0 ? GetEventString(m_nType) : std::string();
    setWindowTitle(QString("%1 Properties").arg(QString::fromStdString(name)));
    if (auto* page = AsPage(ActivePage()); page && !page->IsModified())
        page->updateData(false);
    show();
    // A page whose texts follow the selection may need other room for them: it is measured
    // once shown, when its texts take part in its layout.
    SizeToPage();
    return 1;
}

void CInspector::HidePages()
{
    if (isHidden())
        return;
    hide();
    SizeToRect(m_empty->GetSize());
    setWindowTitle(kCaption);
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (auto* page = AsPage(m_tabs->widget(i))) {
            page->SetDocument(nullptr);
            page->SetEventList(nullptr);
            page->SetModifiedFlag(false);
        }
    }
    // The next selection shown builds the pages anew.
    m_pages.clear();
    UpdateApply();
}

void CInspector::ResetPages()
{
    for (int i = 0; i < m_tabs->count(); ++i) {
        auto* page = AsPage(m_tabs->widget(i));
        if (!page)
            continue;
        if (page->IsInitialized()) {
            // The page's own cancel also ends what it was in the middle of (a patch change
            // being placed), so that the next Apply does not write it.
            page->OnQueryCancel();
            continue;
        }
        page->UpdatePage();
        page->SetModifiedFlag(false);
    }
    UpdateApply();
}

bool CInspector::Apply()
{
    std::vector<int> changed;
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (auto* page = AsPage(m_tabs->widget(i)); page && page->IsModified())
            changed.push_back(i);
    }
    // The changes of several pages are one step for Undo; a single page names its own step.
    ECPerformance* performance = nullptr;
    if (changed.size() > 1) {
        MCOpusDoc* doc = AsPage(m_tabs->widget(changed.front()))->GetDocument();
        performance = doc ? doc->GetBaseEvent() : nullptr;
    }
    if (performance)
        MCCommandMgr::BeginUndo(performance, "Edit " + (m_nType >= 0 ? GetEventString(m_nType) : std::string()));
    // A page's commands run at once and report that the elements changed while the pages after
    // it still hold the user's changes: the refresh that asks for waits until all were applied.
    m_flags |= kApplying;
    int failed = -1;
    for (const int i : changed) {
        auto* page = AsPage(m_tabs->widget(i));
        if (page && page->IsModified() && !page->onApply()) {
            failed = i;
            break;
        }
    }
    if (performance)
        MCCommandMgr::EndUndo(performance);
    m_flags &= ~kApplying;
    if (failed >= 0)
        SetActivePage(failed);
    if (m_flags & kRefreshPending) {
        m_flags &= ~kRefreshPending;
        // The pages that were not applied (one did not validate) keep what the user entered:
        // the selection is still the one they were made for.
        if (m_tool)
            m_tool->ShowActiveSelection();
    }
    UpdateApply();
    return failed < 0;
}

bool CInspector::IsApplyEnabled() const
{
    return m_apply->isEnabled();
}

bool CInspector::HasChanges() const
{
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (auto* page = AsPage(m_tabs->widget(i)); page && page->IsModified())
            return true;
    }
    return false;
}

void CInspector::UpdateApply()
{
    m_apply->setEnabled(HasChanges());
}

void CInspector::SizeToRect(QSize page)
{
    if (!static_cast<PageTabs*>(m_tabs)->SetPageSize(page))
        return;
    if (layout())
        layout()->activate();
    adjustSize();
    if (m_tool && !(m_tool->IsAutoCollapse() && m_tool->IsCollapsed()))
        m_tool->SizeToFit(true);
}

void CInspector::SizeToPage(QWidget* page)
{
    if (!page)
        page = ActivePage();
    auto* p = AsPage(page);
    if (!p)
        return;
    const QSize size = p->GetSize();
    p->resize(size);
    SizeToRect(size);
}

void CInspector::SizeToPages()
{
    QSize size(0, 0);
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (auto* page = AsPage(m_tabs->widget(i)))
            size = size.expandedTo(page->GetSize());
    }
    SizeToRect(size);
}

void CInspector::onNotice(int, int code, QWidget* control)
{
    if (code == MCInspectorPage::kPageActivated && !IsRebuilding())
        SizeToPage(control);
}

void CInspector::OnUpdate(long hint, SCBase* state)
{
    // The states that are objects reach the pages as such.
    auto* object = dynamic_cast<plat::Object*>(state);
    if (hint == 5100)
        SetActivePageChoice("&Actions");
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (auto* page = AsPage(m_tabs->widget(i)))
            page->OnUpdate(hint, object);
    }
}

QWidget* CInspector::GetDefaultPage(int type) const
{
    const auto found = m_defaults.find(type);
    return found == m_defaults.end() ? nullptr : found->second.data();
}

void CInspector::SetDefaultPage(int type, QWidget* page)
{
    m_defaults[type] = page;
}

std::string CInspector::GetActivePageChoice() const
{
    const int index = m_tabs->currentIndex();
    return index < 0 ? std::string() : m_tabs->tabText(index).left(260).toStdString();
}

void CInspector::SetActivePageChoice(const std::string& caption)
{
    const QString wanted = QString::fromStdString(caption);
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (m_tabs->tabText(i) == wanted) {
            SetActivePage(i);
            return;
        }
    }
    SetActivePage(0);
}

bool CInspector::ControlTakesKey(QWidget* control, const QKeyEvent* event)
{
    if (!control)
        return false;
    // Qt asks the focused control the same way before it runs a shortcut.
    QKeyEvent probe(QEvent::ShortcutOverride, event->key(), event->modifiers(), event->text());
    probe.ignore();
    QCoreApplication::sendEvent(control, &probe);
    return probe.isAccepted();
}

bool CInspector::PreTranslateMessage(QKeyEvent* event, QWidget* target)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    if ((mods & Qt::ControlModifier) &&
        (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_PageUp || key == Qt::Key_PageDown)) {
        const int count = m_tabs->count();
        if (count == 0)
            return false;
        const bool back = key == Qt::Key_PageUp || key == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
        SetActivePage((m_tabs->currentIndex() + (back ? count - 1 : 1)) % count);
        return true;
    }
    if ((mods & Qt::AltModifier) && key != Qt::Key_Alt) {
        // A page's mnemonic: the character after "&" as the key names it (an upper-case letter
        // or a digit).
        for (int i = 0; i < m_tabs->count(); ++i) {
            const QString text = m_tabs->tabText(i);
            const qsizetype amp = text.indexOf('&');
            if (amp >= 0 && amp + 1 < text.size() && text[amp + 1].unicode() == key) {
                SetActivePage(i);
                return true;
            }
        }
        return false;
    }
    if (mods & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) &&
        ControlTakesKey(target ? target : QApplication::focusWidget(), event))
        return false;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (IsApplyEnabled())
            m_apply->click();
        return true;
    }
    if (key == Qt::Key_Escape) {
        if (!IsApplyEnabled()) {
            if (m_tool)
                m_tool->hide();
        } else {
            ResetPages();
        }
        return true;
    }
    return false;
}

int CInspector::OnCommandHelp(int helpId)
{
    if (auto* page = AsPage(ActivePage()))
        return page->OnCommandHelp(helpId);
    return m_tool ? m_tool->MCToolWnd::OnCommandHelp(CPropertiesWnd::kHelpContext) : 0;
}

int CInspector::OnHelpHitTest() const
{
    if (auto* page = AsPage(ActivePage()))
        return page->OnHelpHitTest();
    return int(CPropertiesWnd::kHelpContext);
}
