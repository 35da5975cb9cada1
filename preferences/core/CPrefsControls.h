#pragma once

#include "preferences/PreferencesExport.h"

#include "platform/ui/dialog/DataExchange.h"

#include <initializer_list>

class MCButton;
class QCheckBox;
class QLabel;
class QRadioButton;
class QWidget;

// How the pages, dialogs and wizard forms of this library make their controls: each carries
// its id, and the Interface's controls are attached in the place of a placeholder.
class PREFERENCES_API CPrefsControls {
public:
    static QCheckBox* Check(QWidget* parent, const char* text, int id);
    static QRadioButton* Radio(QWidget* parent, const char* text, int id);
    // A label; with an id when the window enables it with its controls, and the id of the
    // control its mnemonic goes to (given to it by AttachBuddies).
    static QLabel* Label(QWidget* parent, const char* text, int id = 0, int buddy = 0);
    // Gives the labels below parent the controls of their buddy ids, once the controls that take
    // placeholders' places are attached.
    static void AttachBuddies(QWidget* parent);
    // A placeholder for a control attached later in its place; with a text it is a button
    // with that caption (a bitmap button loads its pictures by its caption).
    static QWidget* Placeholder(QWidget* parent, int id, const char* text = nullptr);
    // Loads the bitmap button of a test in the place of the placeholder id: a push button
    // that acts when pressed, framed, with its transparent colour and, unless -1, the state it
    // shows disabled.
    static MCButton* AttachTestButton(QWidget* parent, int id, unsigned transparent, int disabledState = -1);
    // The device of a device list or box, both ways; a picker with nothing selected (no
    // device of its kind present) leaves the device as it was.
    static void ExchangeDevice(plat::ui::DataExchange& dx, int id, int& device);
    // Enables or disables the controls of the ids.
    static void Enable(QWidget* parent, std::initializer_list<int> ids, bool enable);
    // A hidden line of text, with its id, that says why a device list is empty.
    static QLabel* NoDevicesLine(QWidget* parent, int id);
    // Shows the line id, saying why, when the device list listId of that type (its picker type)
    // holds no device; hides it otherwise.
    static void ShowNoDevices(QWidget* parent, int id, int listId, int type);
};
