#include "inspector/views/CPropertiesWnd.h"

#include "inspector/views/CInspector.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/commands/CCBase.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/SCCommand.h"
#include "notabase/states/SCSelection.h"
#include "sequencer/transport/CSequence.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QStyle>
#include <QVBoxLayout>

#include <array>
#include <cstdlib>

namespace {

constexpr const char* kCaption = "Inspector";
constexpr std::array<const char*, 3> kMessages = {"Nothing Selected", "Multiple Selection", "No Properties"};

}  // namespace

CPropertiesWnd::CPropertiesWnd(QWidget* mainFrame, QWidget* owner) : MCToolWnd(owner)
{
    Construct();
    InitToolLayout(mainFrame, kDialogId);
}

CPropertiesWnd::CPropertiesWnd() : MCToolWnd(nullptr)
{
    Construct();
}

void CPropertiesWnd::Construct()
{
    setObjectName("Inspector");
    ReadAutoCollapse();
    qApp->installEventFilter(this);
}

CPropertiesWnd::~CPropertiesWnd()
{
    qApp->removeEventFilter(this);
    m_watch.Stop();
    if (m_sheet)
        SavePrefs(kSection);
    // The sheet gives its pages back to the registry before the selection they point to goes.
    delete m_sheet;
    m_sheet = nullptr;
}

bool CPropertiesWnd::InitToolLayout(QWidget* parent, int id)
{
    if (!MCToolWnd::InitToolLayout(parent, id))
        return false;
    SetCaption(kCaption);
    const plat::FontDescription font = LoadFontPreference("Settings\\Font", "Large Font", "Arial", -24, 0, 0, 0, 0);
    m_largeFont = QFont(QString::fromStdString(font.faceName));
    // A negative height is the character height in pixels.
    m_largeFont.setPixelSize(std::max(1, std::abs(font.height)));
    m_largeFont.setBold(font.isBold());
    m_largeFont.setItalic(font.italic);
    m_largeFont.setUnderline(font.underline);

    QWidget* body = Body();
    m_label = new QLabel(QString(kMessages[kNothingSelected]), body);
    m_label->setObjectName("InspectorMessage");
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setEnabled(false);
    m_label->setFont(m_largeFont);
    m_label->setMargin(12);
    m_sheet = new CInspector(body, this);
    m_sheet->hide();
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    layout->addWidget(m_label);
    layout->addWidget(m_sheet);
    m_shown = kNothingSelected;
    m_barSize = layout->sizeHint();
    LoadPrefs(kSection);
    return true;
}

void CPropertiesWnd::SetCaption(const QString& caption)
{
    setWindowTitle(caption);
    // The caption stays whole: the window is at least as wide as a window manager's title bar
    // needs for it, in its bold caption font beside the frame's buttons (the room of seven
    // lines of text, as the common desktops draw them).
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    Body()->setMinimumWidth(metrics.horizontalAdvance(caption) + 7 * metrics.height());
    if (isFloating() || isWindow())
        resize(QWidget::size().expandedTo(minimumSizeHint()));
}

QString CPropertiesWnd::MessageText() const
{
    return m_label ? m_label->text() : QString();
}

bool CPropertiesWnd::IsMessageShown() const
{
    return m_label && !m_label->isHidden();
}

bool CPropertiesWnd::ShowsElements(const MCEventList& selection, ECBase* base) const
{
    if (m_shown != kShowingPages)
        return false;
    if (selection.IsEmpty())
        return base && m_selection.GetCount() == 1 && m_selection.GetHead() == base;
    if (selection.GetCount() != m_selection.GetCount())
        return false;
    auto shown = m_selection.begin();
    for (ECBase* element : selection) {
        if (element != *shown)
            return false;
        ++shown;
    }
    return true;
}

void CPropertiesWnd::ShowProperties(MCEventList& selection)
{
    if (!m_sheet)
        return;
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    ECBase* base = doc ? static_cast<ECBase*>(doc->GetBaseEvent()) : nullptr;
    const bool same = &selection == &m_selection || ShowsElements(selection, base);
    m_shown = kShowingPages;
    // The copy holds its elements while the pages point to it.
    if (&selection != &m_selection) {
        m_selection.RemoveAll();
        m_selection.AddEvents(selection);
    }
    if (m_selection.IsEmpty() && base)
        m_selection.AddTail(base);
    m_label->hide();
    if (m_sheet->ShowProperties(m_selection, same) == 0) {
        HideProperties(kNoProperties);
        return;
    }
    SetCaption(m_sheet->windowTitle());
    SizeToFit(true);
}

void CPropertiesWnd::HideProperties(int kind)
{
    if (!m_sheet || kind == m_shown || kind < kNothingSelected || kind > kNoProperties)
        return;
    m_shown = kind;
    m_sheet->HidePages();
    m_label->setText(kMessages[size_t(kind)]);
    m_label->show();
    SetCaption(kCaption);
    SizeToFit(true);
}

bool CPropertiesWnd::ApplyChanges()
{
    // Leaving the elements is leaving their fields: what the user changed for them and has not
    // applied is applied to them, one step for Undo, instead of going unseen. A value that does
    // not validate is reported; when the pages leave, it goes with its elements.
    if (!m_sheet || m_shown != kShowingPages || m_sheet->IsApplying() || !m_sheet->HasChanges())
        return true;
    return m_sheet->Apply();
}

void CPropertiesWnd::ReshowSelection(MCOpusDoc* doc)
{
    // ShowProperties keeps its own copy: the document's list is not held past it.
    ShowProperties(doc->GetSelection());
}

void CPropertiesWnd::ShowActiveSelection()
{
    if (MCOpusDoc* doc = MCOpusDoc::GetActiveDoc())
        ReshowSelection(doc);
}

void CPropertiesWnd::ReadAutoCollapse()
{
    if (LoadIntPreference(kSection, "AutoCollapse", 0))
        m_flags |= kAutoCollapse;
    else
        m_flags &= ~kAutoCollapse;
}

bool CPropertiesWnd::IsRecordingFilterCommand(int id)
{
    // What recording adds (notes, dynamics, envelope points, bars, pedals, system messages)
    // changes nothing the inspector shows, and refreshing it for each would slow recording.
    switch (id) {
    case 0:
    case 2:
    case 3:
    case 5:
    case 8:
    case 9: return true;
    default: return false;
    }
}

void CPropertiesWnd::OnUpdate(long hint, SCBase* state)
{
    if (!m_sheet)
        return;
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    if (!doc) {
        HideProperties(kNothingSelected);
        ReadAutoCollapse();
        if (IsAutoCollapse())
            Collapse();
        else
            Expand();
        return;
    }
    switch (hint) {
    case 500: {
        bool reshow = true;
        if (doc->GetSequence() && doc->GetSequence()->TestState(CSequence::stateRecording)) {
            reshow = false;
            if (auto* commands = dynamic_cast<SCCommand*>(state)) {
                for (CCBase* command : commands->GetCommands()) {
                    if (command && !IsRecordingFilterCommand(command->GetCommandId())) {
                        reshow = true;
                        break;
                    }
                }
            }
        }
        if (reshow && m_sheet->IsApplying())
            m_sheet->RefreshAfterApply();
        else if (reshow)
            ReshowSelection(doc);
        break;
    }
    case 1300:
    case 1301:
        // Another document comes to the front.
        ApplyChanges();
        HideProperties(kNothingSelected);
        break;
    case 1303: HideProperties(kNothingSelected); break;
    case 1600:
        ReshowSelection(doc);
        ReadAutoCollapse();
        if (IsAutoCollapse())
            Collapse();
        else
            Expand();
        break;
    case SCSelection::kClear:
    case SCSelection::kReplace:
    case SCSelection::kAdd:
    case SCSelection::kRemove:
    case SCSelection::kToggle:
    case SCSelection::kContextChanged: {
        // A selection that is still being dragged out, or a hint without its state, is not a
        // selection to show: the pages do not hear of it either.
        auto* selection = dynamic_cast<SCSelection*>(state);
        if (!selection || selection->IsDynamic())
            return;
        // The same elements chosen again leave the change being made as it is.
        if (!ShowsElements(doc->GetSelection(), static_cast<ECBase*>(doc->GetBaseEvent())))
            ApplyChanges();
        ReshowSelection(doc);
        break;
    }
    case 5100: {
        const uint32_t autoCollapse = m_flags & kAutoCollapse;
        m_flags &= ~kAutoCollapse;
        Expand();
        m_flags |= autoCollapse | kCollapsed;
        break;
    }
    default: break;
    }
    m_sheet->OnUpdate(hint, state);
}

void CPropertiesWnd::Collapse()
{
    if (IsCollapsed())
        return;
    if (m_watch.IsRunning()) {
        if (!m_watch.OutsideLongEnough())
            return;
        m_watch.Stop();
    }
    m_flags |= kCollapsed;
    // Only the caption stays.
    Body()->hide();
    if (isFloating() || isWindow())
        adjustSize();
}

void CPropertiesWnd::Expand()
{
    if (!IsCollapsed())
        return;
    Body()->show();
    m_flags &= ~kCollapsed;
    SizeToFit(true);
    if (IsAutoCollapse())
        m_watch.Start();
}

void CPropertiesWnd::SizeToFit(bool recalcFrame)
{
    if (!m_sheet || !Body()->layout())
        return;
    const QSize size = Body()->layout()->sizeHint().expandedTo(Body()->minimumSize());
    if (size != m_barSize) {
        m_barSize = size;
        Body()->updateGeometry();
    }
    if (recalcFrame && !IsCollapsed() && (isFloating() || isWindow())) {
        adjustSize();
        resize(QWidget::size().expandedTo(minimumSizeHint()));
    }
}

QSize CPropertiesWnd::CalcFixedLayout(bool, bool) const
{
    return m_barSize;
}

QPoint CPropertiesWnd::GetDefaultPosition(const char* section) const
{
    const int x = LoadIntPreference(section, "x", -1, -kScreenCoordinateLimit, kScreenCoordinateLimit);
    const int y = LoadIntPreference(section, "y", -1, -kScreenCoordinateLimit, kScreenCoordinateLimit);
    if (x != -1 && y != -1)
        return {x, y};
    // The lower right corner of the main frame.
    const QMainWindow* frame = Frame();
    if (!frame)
        return {0, 0};
    const QRect r = frame->frameGeometry();
    const QSize bar = frameGeometry().size();
    return {r.x() + r.width() - kFrameWidth - bar.width() - kEdge,
            r.y() + r.height() - kFrameWidth - bar.height() - kEdge};
}

void CPropertiesWnd::LoadPrefs(const char* section)
{
    MCToolWnd::LoadPrefs(section);
    if (IsAutoCollapse())
        Collapse();
    else
        SizeToFit(false);
}

void CPropertiesWnd::SavePrefs(const char* section) const
{
    MCToolWnd::SavePrefs(section);
}

int CPropertiesWnd::OnCommandHelp(unsigned helpId)
{
    if (m_sheet && !m_sheet->isHidden())
        return m_sheet->OnCommandHelp(int(helpId));
    return MCToolWnd::OnCommandHelp(kHelpContext);
}

unsigned CPropertiesWnd::OnHelpHitTest() const
{
    if (m_sheet && !m_sheet->isHidden())
        return unsigned(m_sheet->OnHelpHitTest());
    return kHelpContext;
}

void CPropertiesWnd::closeEvent(QCloseEvent* event)
{
    m_watch.Stop();
    MCToolWnd::closeEvent(event);
}

bool CPropertiesWnd::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::MouseMove && type != QEvent::Enter)
        return MCToolWnd::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || (widget != this && !isAncestorOf(widget)))
        return MCToolWnd::eventFilter(watched, event);
    if (type == QEvent::KeyPress) {
        if (m_sheet && !m_sheet->isHidden() && m_sheet->PreTranslateMessage(static_cast<QKeyEvent*>(event), widget))
            return true;
    } else {
        Expand();
    }
    return MCToolWnd::eventFilter(watched, event);
}
