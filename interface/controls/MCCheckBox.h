#pragma once

#include "interface/InterfaceExport.h"

#include <QCheckBox>

// A check box that can be switched between two states and three (the third showing that the
// selected elements differ).
class INTERFACE_API MCCheckBox : public QCheckBox {
public:
    explicit MCCheckBox(QWidget* parent = nullptr);

    // Takes the place of the item id of parent (its caption and check state) and applies the
    // stored flag; false when there is no such item.
    bool SubclassCheckBox(int id, QWidget* parent);
    bool GetIndeterminate() const { return m_indeterminate; }
    void SetIndeterminate(bool indeterminate);

private:
    bool m_indeterminate = false;
};
