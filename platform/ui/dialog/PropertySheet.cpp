#include "platform/ui/dialog/PropertySheet.h"

#include "platform/ui/dialog/PropertyPage.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace plat::ui {

PropertySheet::PropertySheet(const std::string& caption, QWidget* parent)
    : QDialog(parent), m_tabs(new QTabWidget(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this))
{
    setWindowTitle(QString::fromStdString(caption));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);
    m_apply = m_buttons->button(QDialogButtonBox::Apply);
    m_apply->setEnabled(false);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &PropertySheet::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &PropertySheet::reject);
    connect(m_apply, &QPushButton::clicked, this, [this] { apply(); });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { pageChanged(); });
}

void PropertySheet::addPage(PropertyPage* page, const std::string& title)
{
    m_pages.push_back(page);
    page->setModifiedHandler([this] { updateApply(); });
    m_switching = true;
    m_tabs->addTab(page, QString::fromStdString(title));
    m_switching = false;
    if (m_current < 0) {
        m_current = 0;
        page->onSetActive();
    }
}

int PropertySheet::pageCount() const
{
    return int(m_pages.size());
}

PropertyPage* PropertySheet::page(int index) const
{
    return index >= 0 && index < pageCount() ? m_pages[size_t(index)] : nullptr;
}

PropertyPage* PropertySheet::activePage() const
{
    return page(m_current);
}

bool PropertySheet::setActivePage(int index)
{
    if (!page(index))
        return false;
    m_tabs->setCurrentIndex(index);
    return m_current == index;
}

void PropertySheet::pageChanged()
{
    if (m_switching)
        return;
    const int wanted = m_tabs->currentIndex();
    if (wanted == m_current)
        return;
    if (PropertyPage* leaving = activePage(); leaving && !leaving->onKillActive()) {
        // The page that failed keeps the user.
        m_switching = true;
        m_tabs->setCurrentIndex(m_current);
        m_switching = false;
        return;
    }
    m_current = wanted;
    if (PropertyPage* entering = activePage())
        entering->onSetActive();
}

void PropertySheet::updateApply()
{
    bool modified = false;
    for (const PropertyPage* p : m_pages)
        modified = modified || p->isModified();
    m_apply->setEnabled(modified);
}

bool PropertySheet::apply()
{
    for (int i = 0; i < pageCount(); ++i) {
        PropertyPage* p = m_pages[size_t(i)];
        if (p->wasShown() && !p->updateData(true)) {
            m_switching = true;
            m_tabs->setCurrentIndex(i);
            m_switching = false;
            m_current = i;
            return false;
        }
    }
    bool applied = true;
    for (PropertyPage* p : m_pages) {
        if (p->wasShown())
            applied = p->onApply() && applied;
    }
    updateApply();
    return applied;
}

void PropertySheet::accept()
{
    if (apply())
        QDialog::accept();
}

void PropertySheet::reject()
{
    for (PropertyPage* p : m_pages) {
        if (p->wasShown())
            p->onReset();
    }
    QDialog::reject();
}

}  // namespace plat::ui
