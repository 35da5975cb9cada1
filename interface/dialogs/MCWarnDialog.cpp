#include "interface/dialogs/MCWarnDialog.h"

#include "interface/core/InterfaceModule.h"

#include "notabase/prefs/Preferences.h"
#include "platform/core/Resources.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

MCWarnDialog::MCWarnDialog(int titleId, int messageId, QWidget* parent)
    : plat::ui::ExchangeDialog(parent),
      m_dontWarn(LoadIntPreference(SectionOf(messageId).c_str(), "DontWarn", 0)), m_messageId(messageId),
      m_title(plat::Resources::string(uint32_t(titleId))), m_message(plat::Resources::string(uint32_t(messageId)))
{
    setWindowTitle(QString::fromStdString(m_title));
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(size, size));
    plat::ui::setItemId(icon, kIcon);
    auto* message = new QLabel(this);
    message->setWordWrap(true);
    message->setMinimumWidth(260);
    plat::ui::setItemId(message, kMessage);
    auto* dontWarn = new QCheckBox(QString::fromStdString(InterfaceModule::String(kDontWarn)), this);
    plat::ui::setItemId(dontWarn, kDontWarn);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &MCWarnDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &MCWarnDialog::reject);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addWidget(message, 0, 1);
    layout->addWidget(dontWarn, 1, 1);
    layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
}

std::string MCWarnDialog::SectionOf(int messageId)
{
    return plat::format("%s\\%d", "Settings\\Interface\\Warnings", messageId);
}

void MCWarnDialog::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!dx.saving()) {
        if (auto* message = plat::ui::item<QLabel>(this, kMessage))
            message->setText(QString::fromStdString(m_message));
    }
    dx.check(kDontWarn, m_dontWarn);
}

bool MCWarnDialog::OkToProceed()
{
    if (m_dontWarn)
        return true;
    updateData(false);
    const int result = plat::ui::ModalHooks::runDialog(*this);
    remember();
    return result == QDialog::Accepted;
}

void MCWarnDialog::remember() const
{
    const std::string section = SectionOf(m_messageId);
    SaveIntPreference(section.c_str(), "DontWarn", m_dontWarn);
    SaveStringPreference(section.c_str(), "Title", m_title.c_str());
}
