#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/dialog/DataExchange.h"

#include <QDialog>

namespace plat::ui {

// A dialog whose controls are loaded from its members when it first shows and saved back
// on OK; a failing validation keeps it open with the focus on the control that failed.
class PLATUI_API ExchangeDialog : public QDialog {
public:
    explicit ExchangeDialog(QWidget* parent = nullptr) : QDialog(parent) {}

    // Loads (save false) or saves (save true) every exchange of doDataExchange; false when
    // a validation failed.
    bool updateData(bool save);

    void accept() override;

protected:
    virtual void doDataExchange(DataExchange& exchange) = 0;
    // Called once before the controls are first loaded.
    virtual void initDialog() {}
    void showEvent(QShowEvent* event) override;

private:
    bool m_initialised = false;
};

}  // namespace plat::ui
