#include "app/dialogs/CDialogFocusWnd.h"

void CDialogFocusWnd::SetFocus()
{
    if (m_dialog)
        m_dialog->setFocus();
}
