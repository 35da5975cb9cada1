#include "interface/dialogs/MCInputDialog.h"

#include "platform/core/Resources.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

MCInputDialog::MCInputDialog(int titleId, int promptId, int labelId, QWidget* parent)
    : MCInputDialog(plat::Resources::string(uint32_t(titleId)), plat::Resources::string(uint32_t(promptId)),
                    plat::Resources::string(uint32_t(labelId)), parent)
{
}

MCInputDialog::MCInputDialog(const std::string& title, const std::string& prompt, const std::string& label,
                             QWidget* parent)
    : plat::ui::ExchangeDialog(parent), m_title(title), m_prompt(prompt), m_label(label)
{
    build();
}

void MCInputDialog::build()
{
    setWindowTitle(QString::fromStdString(m_title));
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(size, size));
    plat::ui::setItemId(icon, kIcon);
    auto* prompt = new QLabel(this);
    prompt->setWordWrap(true);
    prompt->setMinimumWidth(240);
    plat::ui::setItemId(prompt, kPrompt);
    auto* label = new QLabel(this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    plat::ui::setItemId(label, kLabel);
    auto* input = new QLineEdit(this);
    plat::ui::setItemId(input, kInput);
    label->setBuddy(input);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &MCInputDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &MCInputDialog::reject);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addWidget(prompt, 0, 1, 1, 2);
    layout->addWidget(label, 1, 0, 1, 1);
    layout->addWidget(input, 1, 1, 1, 2);
    layout->addWidget(buttons, 0, 3, 2, 1, Qt::AlignTop);
}

void MCInputDialog::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!dx.saving()) {
        if (auto* prompt = plat::ui::item<QLabel>(this, kPrompt))
            prompt->setText(QString::fromStdString(m_prompt));
        if (auto* label = plat::ui::item<QLabel>(this, kLabel))
            label->setText(QString::fromStdString(m_label));
    }
    dx.text(kInput, m_input);
}

int MCInputDialog::DoModalInput(std::string& text)
{
    m_input.clear();
    updateData(false);
    const int result = plat::ui::ModalHooks::runDialog(*this);
    text = result == QDialog::Accepted ? m_input : std::string();
    return result;
}
