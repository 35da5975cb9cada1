#pragma once

#include "interface/InterfaceExport.h"

#include <QComboBox>

#include <string>

// A drop-down list of the instrument definitions of the Instruments folder by their names; each entry
// keeps its file's path. A definition without a name is left out; a damaged one is left out
// and the user told which line is wrong.
class INTERFACE_API MCInstrumentBox : public QComboBox {
public:
    explicit MCInstrumentBox(QWidget* parent = nullptr);

    bool SubclassInstrumentBox(int id, QWidget* parent);
    // Lists the folder's definitions (the Instruments folder unless another is given); false,
    // after telling the user, when it has none.
    bool LoadInstruments(const std::string& folder = {});
    void LoadInstrument(const std::string& file);
    void RemoveInstruments();
    std::string GetSelectedInstrument() const;
    std::string GetSelectedInstrumentFile() const;
    // Selects the first entry of that name, else the first whose name begins with it, without
    // regard to case; nothing changes when none does.
    void SetSelectedInstrument(const std::string& name);
};
