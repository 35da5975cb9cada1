#include "preferences/core/CPrefsControls.h"

#include "preferences/core/CPrefsDevices.h"

#include "interface/controls/MCButton.h"
#include "interface/pickers/MCDeviceBox.h"
#include "interface/pickers/MCDeviceList.h"
#include "platform/ui/dialog/ItemId.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

QCheckBox* CPrefsControls::Check(QWidget* parent, const char* text, int id)
{
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    plat::ui::setItemId(box, id);
    return box;
}

QRadioButton* CPrefsControls::Radio(QWidget* parent, const char* text, int id)
{
    auto* button = new QRadioButton(QString::fromUtf8(text), parent);
    plat::ui::setItemId(button, id);
    return button;
}

namespace {

constexpr const char* kBuddyProperty = "buddyId";

}  // namespace

QLabel* CPrefsControls::Label(QWidget* parent, const char* text, int id, int buddy)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    if (id)
        plat::ui::setItemId(label, id);
    if (buddy) {
        label->setProperty(kBuddyProperty, buddy);
        label->setBuddy(plat::ui::itemWidget(parent, buddy));
    }
    return label;
}

void CPrefsControls::AttachBuddies(QWidget* parent)
{
    for (QLabel* label : parent->findChildren<QLabel*>()) {
        const QVariant buddy = label->property(kBuddyProperty);
        if (buddy.isValid())
            label->setBuddy(plat::ui::itemWidget(parent, buddy.toInt()));
    }
}

QWidget* CPrefsControls::Placeholder(QWidget* parent, int id, const char* text)
{
    QWidget* widget = text ? static_cast<QWidget*>(new QPushButton(QString::fromUtf8(text), parent)) : new QWidget(parent);
    plat::ui::setItemId(widget, id);
    return widget;
}

MCButton* CPrefsControls::AttachTestButton(QWidget* parent, int id, unsigned transparent, int disabledState)
{
    auto* button = new MCButton(parent);
    button->SetTransparentColor(transparent);
    button->AutoLoad(id, parent);
    button->SetButtonStyle(MCButton::Push);
    button->SetButtonMode(MCButton::NotifyOnPress | MCButton::Framed);
    if (disabledState >= 0)
        button->SetDisabledState(disabledState);
    return button;
}

void CPrefsControls::ExchangeDevice(plat::ui::DataExchange& dx, int id, int& device)
{
    QWidget* control = dx.prepareControl(id);
    auto* list = dynamic_cast<MCDeviceList*>(control);
    auto* box = dynamic_cast<MCDeviceBox*>(control);
    if (!list && !box)
        return;
    if (!dx.saving()) {
        if (list)
            list->SetSelectedDevice(device);
        else
            box->SetSelectedDevice(device);
        return;
    }
    const int selected = list ? list->GetSelectedDevice() : box->GetSelectedDevice();
    if (selected >= 0)
        device = selected;
}

void CPrefsControls::Enable(QWidget* parent, std::initializer_list<int> ids, bool enable)
{
    for (int id : ids) {
        if (QWidget* control = plat::ui::itemWidget(parent, id))
            control->setEnabled(enable);
    }
}

QLabel* CPrefsControls::NoDevicesLine(QWidget* parent, int id)
{
    auto* line = new QLabel(parent);
    plat::ui::setItemId(line, id);
    line->setWordWrap(true);
    line->hide();
    return line;
}

void CPrefsControls::ShowNoDevices(QWidget* parent, int id, int listId, int type)
{
    auto* line = plat::ui::item<QLabel>(parent, id);
    if (!line)
        return;
    const auto* list = plat::ui::item<MCDeviceList>(parent, listId);
    const bool empty = !list || list->count() == 0;
    line->setText(empty ? QString::fromStdString(CPrefsDevices::MissingDevicesText(type)) : QString());
    line->setVisible(empty);
}
