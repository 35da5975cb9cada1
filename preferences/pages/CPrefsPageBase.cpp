#include "preferences/pages/CPrefsPageBase.h"

#include "preferences/core/PrefsModule.h"

#include <QEvent>

PLAT_IMPLEMENT_DYNAMIC(CPrefsPageBase, MCPrefsPage)

CPrefsPageBase::CPrefsPageBase(const char* title, QWidget* parent) : MCPrefsPage(parent)
{
    setWindowTitle(QString::fromUtf8(title));
}

bool CPrefsPageBase::onSetActive()
{
    EnsureInitialised();
    return MCPrefsPage::onSetActive();
}

void CPrefsPageBase::EnsureInitialised()
{
    if (!m_initialised)
        OnInitDialog();
}

void CPrefsPageBase::onNotice(int, int, QWidget*) {}

bool CPrefsPageBase::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip)
        return PrefsModule::ToolTipEvent(this, event);
    return MCPrefsPage::event(event);
}
