#pragma once

#include "interface/InterfaceExport.h"

#include <QComboBox>

#include <string>

// The named intervals the user picks from and may extend: each name is a key of
// "Settings\Intervals" holding "Half Steps", "Octave", "Quality" and "Quantity" as decimal
// texts; the 26 built-in intervals are written the first time none is found.
class INTERFACE_API MCIntervalBox : public QComboBox {
public:
    static constexpr int kDefaultCount = 26;

    explicit MCIntervalBox(QWidget* parent = nullptr);

    void RefreshChoices();
    void AddDefaultChoices();
    void AddChoice(const std::string& name, int halfSteps, int octave, int quality, int quantity);
    void RemoveChoice(const std::string& name);
    // False, the outputs unchanged, when there is no such interval.
    static bool GetIntervalParams(const std::string& name, int& halfSteps, int& octave, int& quality, int& quantity);
};
