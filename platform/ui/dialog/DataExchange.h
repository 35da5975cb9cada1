#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/dialog/ItemId.h"

#include <exception>
#include <string>

namespace plat::ui {

// Thrown by DataExchange::fail once the user has been told; the dialog stays open.
class PLATUI_API DataExchangeFailure : public std::exception {
public:
    const char* what() const noexcept override { return "data exchange failed"; }
};

// Moves values between a dialog's members and its controls, found by item id: into the
// controls when loading, out of them when saving. Each exchange first prepares its control;
// a validation that fails calls fail(), which tells the user through the prompt hook, puts
// the focus on the prepared control (selecting its text) and throws DataExchangeFailure.
//
// The exchanges of other controls (our own controls') are free functions over the same object:
// they call control<T>(id) and read or write the control as saving() says.
class PLATUI_API DataExchange {
public:
    DataExchange(QWidget* dialog, bool saving) : m_dialog(dialog), m_saving(saving) {}

    bool saving() const { return m_saving; }
    QWidget* dialog() const { return m_dialog; }

    // The control of id, which later failures name; null when there is none or it is of
    // another kind.
    QWidget* prepareControl(int id);
    template <class Control>
    Control* control(int id)
    {
        return dynamic_cast<Control*>(prepareControl(id));
    }
    QWidget* lastControl() const { return m_last; }

    [[noreturn]] void fail(const std::string& message);

    // A line edit's text.
    void text(int id, std::string& value);
    // A line edit holding a whole number, read strictly: blanks around it are allowed, any
    // other character fails.
    void integer(int id, int& value);
    // A check box: 0 off, 1 on, 2 indeterminate.
    void check(int id, int& value);
    // The checked button of the exclusive group the control of id belongs to: its index in
    // the group, -1 when none is checked.
    void radio(int id, int& value);
    // A combo box's current index, -1 for none.
    void comboIndex(int id, int& value);

    // Validations, run only when saving, after the exchange of the control they check.
    void range(int value, int low, int high);
    void maxChars(const std::string& value, int count);

private:
    QWidget* m_dialog;
    bool m_saving;
    QWidget* m_last = nullptr;
};

}  // namespace plat::ui
