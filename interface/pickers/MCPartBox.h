#pragma once

#include "interface/InterfaceExport.h"

#include <QComboBox>

#include <string>

// The named parts a new staff can be made from (staff type, clef, key signature and
// instrument), which the user may extend or prune: each name is a key of "Settings\Parts"
// holding "Staff", "Clef", "KeySharps", "KeyFlats", "KeyMode" and "Instrument"; the six
// built-in parts are written the first time none is found.
class INTERFACE_API MCPartBox : public QComboBox {
public:
    explicit MCPartBox(QWidget* parent = nullptr);

    void RefreshParts();
    void AddDefaultParts();
    void AddPart(const std::string& name, int staff, int clef, int sharps, int flats, int mode, int instrument);
    void RemovePart(const std::string& name);
    // False, the outputs unchanged, when there is no such part; a missing value reads 0.
    static bool GetPartParams(const std::string& name, int& staff, int& clef, int& sharps, int& flats, int& mode,
                              int& instrument);
};
