#include "app/frame/CTimeBar.h"

#include "app/core/CommandButton.h"
#include "app/dialogs/CFontColorDlg.h"
#include "app/frame/CTimeDisplay.h"
#include "interface/views/MCDialogBar.h"
#include "notabase/states/SCTime.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QContextMenuEvent>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QMenu>

namespace {

// The font dialog lists the families of this machine: a stored name that stands for another
// family here (the default "Arial") is offered as the family that draws it.
QFont asListed(const QFont& font)
{
    QFont listed = font;
    listed.setFamily(QFontInfo(font).family());
    return listed;
}

// A family chosen as it was offered keeps the stored name, which may be a family of its own on
// another machine.
QFont keepStoredName(const QFont& chosen, const QFont& stored)
{
    if (chosen.family() != QFontInfo(stored).family())
        return chosen;
    QFont kept = chosen;
    kept.setFamily(stored.family());
    return kept;
}

}  // namespace

CTimeBar::CTimeBar(std::function<bool(SCBase*)> fromActive, std::function<bool()> hasActive,
                   std::function<void(uint32_t)> command, std::shared_ptr<plat::ui::DisplayTick> tick,
                   QWidget* parent)
    : QToolBar(tr("Time"), parent), m_fromActive(std::move(fromActive)), m_hasActive(std::move(hasActive)),
      m_command(std::move(command)), m_tick(tick ? std::move(tick) : std::make_shared<plat::ui::DisplayTick>())
{
    setObjectName("Time");
    setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
}

CTimeBar::~CTimeBar()
{
    if (m_tickListener)
        m_tick->Remove(m_tickListener);
}

void CTimeBar::InitBar()
{
    m_panel = MakeBarPanel(this, kTemplateId);
    m_display = new CTimeDisplay(m_panel);
    auto* row = new QHBoxLayout(m_panel);
    row->setContentsMargins(5, 5, 5, 5);
    row->setSizeConstraint(QLayout::SetFixedSize);
    row->addWidget(m_display);
    m_display->SetClickHandler([this] {
        if (m_hasActive && m_hasActive() && m_command)
            m_command(kGotoCommand);
    });
    addWidget(m_panel);
    ResizeBar();
}

void CTimeBar::ResizeBar()
{
    // The read-out measures itself from its fonts; the bar's layout keeps 5 pixels around it.
    m_display->setMinimumSize(0, 0);
    m_display->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_display->CalcLayout();
    m_display->setFixedSize(m_display->size());
    // The new size counts at once, not after the next turn of the event loop.
    FitBarPanel(m_panel);
    layout()->invalidate();
    m_panel->update();
    updateGeometry();
}

MCTime CTimeBar::GetTime() const
{
    return m_hasPending ? m_pending : m_display->GetTime();
}

void CTimeBar::Update(int code, SCBase* state)
{
    if (!m_display)
        return;
    auto* time = dynamic_cast<SCTime*>(state);
    switch (code) {
    case 1300:
    case 1301:
    case 1705:
        m_hasPending = false;
        m_display->SetTime(MCTime::TimeZero(), true);
        break;
    case 1303:
        m_hasPending = false;
        m_display->SetTime(MCTime::TimeNull(), true);
        break;
    case 1900:
        if (time && m_fromActive && m_fromActive(state)) {
            m_pending = time->GetTime();
            ShowPending();
        }
        break;
    case 1902:
        if (time && m_fromActive && m_fromActive(state)) {
            m_pending = MCTime(time->GetLeadInMeasure(), time->GetLeadInPulse(), 0, int(MCTime::GlobalPPQ));
            ShowPending();
        }
        break;
    default:
        break;
    }
}

void CTimeBar::ShowPending()
{
    m_hasPending = true;
    if (m_tickListener)
        return;
    m_tickListener = m_tick->Add([this] {
        m_tick->Remove(m_tickListener);
        m_tickListener = 0;
        // Drawn with the window's next painting, together with whatever else changed in it.
        if (m_hasPending) {
            m_hasPending = false;
            m_display->SetTime(m_pending, false);
        }
    });
}

void CTimeBar::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* units = menu.addAction(tr("Display Units"));
    units->setCheckable(true);
    units->setChecked(m_display->UnitsVisible());
    menu.addSeparator();
    QAction* background = menu.addAction(tr("Background..."));
    QAction* timeFont = menu.addAction(tr("Time Font..."));
    QAction* unitsFont = menu.addAction(tr("Units Font..."));
    QAction* chosen = plat::ui::ModalHooks::popupMenu(menu, event->globalPos());
    if (chosen == units)
        ToggleUnits();
    else if (chosen == background)
        ChooseBackground();
    else if (chosen == timeFont)
        ChooseTimeFont();
    else if (chosen == unitsFont)
        ChooseUnitsFont();
    event->accept();
}

void CTimeBar::ToggleUnits()
{
    m_display->SetUnitsVisible(!m_display->UnitsVisible());
    ResizeBar();
}

void CTimeBar::ChooseBackground()
{
    if (const auto color = plat::ui::ModalHooks::chooseColor(m_display->BackgroundColor(), this)) {
        m_display->SetBackgroundColor(*color);
        m_display->update();
    }
}

void CTimeBar::ChooseTimeFont()
{
    const QFont current = m_display->TimeFont().value_or(font());
    CFontColorDlg dialog(asListed(current), m_display->TimeColor(), this);
    dialog.setWindowTitle(tr("Time Font"));
    if (plat::ui::ModalHooks::runDialog(dialog) != QDialog::Accepted)
        return;
    m_display->SetTimeFont(keepStoredName(dialog.SelectedFont(), current));
    m_display->SetTimeColor(dialog.SelectedColor());
    ResizeBar();
}

void CTimeBar::ChooseUnitsFont()
{
    const QFont current = m_display->UnitsFont().value_or(font());
    CFontColorDlg dialog(asListed(current), m_display->UnitsColor(), this);
    dialog.setWindowTitle(tr("Units Font"));
    if (plat::ui::ModalHooks::runDialog(dialog) != QDialog::Accepted)
        return;
    m_display->SetUnitsFont(keepStoredName(dialog.SelectedFont(), current));
    m_display->SetUnitsColor(dialog.SelectedColor());
    ResizeBar();
}
