#include "platform/ui/dialog/ExchangeDialog.h"

namespace plat::ui {

bool ExchangeDialog::updateData(bool save)
{
    DataExchange exchange(this, save);
    try {
        doDataExchange(exchange);
    } catch (const DataExchangeFailure&) {
        return false;
    }
    return true;
}

void ExchangeDialog::accept()
{
    if (updateData(true))
        QDialog::accept();
}

void ExchangeDialog::showEvent(QShowEvent* event)
{
    if (!m_initialised) {
        m_initialised = true;
        initDialog();
        updateData(false);
    }
    QDialog::showEvent(event);
}

}  // namespace plat::ui
