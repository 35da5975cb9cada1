#include "interface/controls/MCDataExchange.h"

#include "interface/controls/MCButton.h"
#include "interface/controls/MCDial.h"
#include "interface/controls/MCNoteEdit.h"
#include "interface/controls/MCSlider.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"

#include "platform/core/Strings.h"
#include "platform/core/Trace.h"

#include <QComboBox>
#include <QSlider>

namespace {

// The spin edit's value, refusing text it cannot take.
void exchangeSpin(plat::ui::DataExchange& dx, int id, int& value)
{
    auto* edit = dx.control<MCSpinEdit>(id);
    if (!edit)
        return;
    if (!dx.saving()) {
        edit->SetValue(value);
        return;
    }
    if (!edit->IsTextValid()) {
        if (dynamic_cast<MCNoteEdit*>(edit))
            dx.fail("Enter a note number from 0 to 127, or a note name such as C4 or F#3.");
        int lower = 0, upper = 0;
        edit->GetRange(lower, upper);
        dx.fail(plat::format("Enter a whole number from %d to %d.", std::min(lower, upper), std::max(lower, upper)));
    }
    value = edit->GetValue();
}

void exchangeByte(plat::ui::DataExchange& dx, int id, unsigned char& value)
{
    int wide = value;
    exchangeSpin(dx, id, wide);
    if (dx.saving())
        value = static_cast<unsigned char>(wide);
}

}  // namespace

void DDX_SliderCtrl(plat::ui::DataExchange& dx, int id, int& value)
{
    auto* slider = dx.control<QSlider>(id);
    if (!slider)
        return;
    if (dx.saving())
        value = slider->value();
    else
        slider->setValue(value);
}

void DDX_SliderCtrl(plat::ui::DataExchange& dx, int id, unsigned char& value)
{
    int wide = value;
    DDX_SliderCtrl(dx, id, wide);
    if (dx.saving())
        value = static_cast<unsigned char>(wide);
}

void DDX_CBIndex(plat::ui::DataExchange& dx, int id, unsigned char& value)
{
    auto* combo = dx.control<QComboBox>(id);
    if (!combo)
        return;
    if (dx.saving())
        value = static_cast<unsigned char>(combo->currentIndex());
    else
        combo->setCurrentIndex(value < combo->count() ? value : -1);
}

void DDX_MCButtonCheck(plat::ui::DataExchange& dx, int id, int& value)
{
    auto* button = dx.control<MCBitmapButtonBase>(id);
    if (!button)
        return;
    if (dx.saving()) {
        value = button->GetButtonState();
        return;
    }
    if (value < 0 || value > 2) {
        plat::trace("Warning: DDX MCButton check value (%d) out of range.\n", value);
        value = 0;
    }
    button->SetButtonState(value);
}

void DDX_MCButtonRadio(plat::ui::DataExchange& dx, int id, int& value)
{
    QWidget* first = dx.prepareControl(id);
    if (!first || !first->parentWidget())
        return;
    // The group: the control and the siblings after it, in window order, up to the next one
    // that starts a group.
    std::vector<MCBitmapButtonBase*> group;
    bool inside = false;
    for (QObject* child : first->parentWidget()->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget)
            continue;
        if (widget == first) {
            inside = true;
        } else if (inside && plat::ui::isGroupStart(widget)) {
            break;
        }
        if (!inside)
            continue;
        if (auto* button = dynamic_cast<MCBitmapButtonBase*>(widget); button && button->IsRadio())
            group.push_back(button);
    }
    if (dx.saving()) {
        value = -1;
        for (size_t i = 0; i < group.size(); ++i) {
            if (group[i]->GetButtonState() != 0)
                value = int(i);
        }
        return;
    }
    for (size_t i = 0; i < group.size(); ++i)
        group[i]->SetButtonState(int(i) == value ? 1 : 0);
}

void DDX_MCDial(plat::ui::DataExchange& dx, int id, double& value)
{
    auto* dial = dx.control<MCDial>(id);
    if (!dial)
        return;
    if (dx.saving())
        value = dial->GetValue();
    else
        dial->SetValue(value);
}

void DDX_MCSlider(plat::ui::DataExchange& dx, int id, double& value)
{
    auto* slider = dx.control<MCSlider>(id);
    if (!slider)
        return;
    if (dx.saving())
        value = slider->GetValue();
    else
        slider->SetValue(value);
}

void DDX_MCSpinEdit(plat::ui::DataExchange& dx, int id, int& value)
{
    exchangeSpin(dx, id, value);
}

void DDX_MCSpinEdit(plat::ui::DataExchange& dx, int id, unsigned char& value)
{
    exchangeByte(dx, id, value);
}

void DDX_MCNoteEdit(plat::ui::DataExchange& dx, int id, int& value)
{
    exchangeSpin(dx, id, value);
}

void DDX_MCNoteEdit(plat::ui::DataExchange& dx, int id, unsigned char& value)
{
    exchangeByte(dx, id, value);
}

void DDX_MCTimeEdit(plat::ui::DataExchange& dx, int id, MCTime& value)
{
    auto* edit = dx.control<MCTimeEdit>(id);
    if (!edit)
        return;
    if (dx.saving())
        value = edit->GetTimeValue();
    else
        edit->SetTimeValue(value, true);
}

void CheckMCButtonRadioItem(QWidget* dialog, int first, int last, int checked)
{
    for (int id = first; id <= last; ++id) {
        if (auto* button = plat::ui::item<MCBitmapButtonBase>(dialog, id))
            button->SetButtonState(id == checked ? 1 : 0);
    }
}
