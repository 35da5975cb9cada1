#include "platform/ui/dialog/PropertyPage.h"

namespace plat::ui {

bool PropertyPage::updateData(bool save)
{
    DataExchange exchange(this, save);
    try {
        doDataExchange(exchange);
    } catch (const DataExchangeFailure&) {
        return false;
    }
    return true;
}

void PropertyPage::setModified(bool modified)
{
    m_modified = modified;
    if (m_modifiedHandler)
        m_modifiedHandler();
}

bool PropertyPage::onSetActive()
{
    if (!m_shown) {
        m_shown = true;
        return updateData(false);
    }
    return true;
}

bool PropertyPage::onKillActive()
{
    return updateData(true);
}

bool PropertyPage::onApply()
{
    setModified(false);
    return true;
}

}  // namespace plat::ui
