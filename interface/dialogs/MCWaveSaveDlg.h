#pragma once

#include "interface/InterfaceExport.h"

#include <QFileDialog>

#include <string>

// Choosing a file to save wave audio to, from the folder last used (the program's folder at
// first); asks before replacing a file and takes only a folder that exists.
class INTERFACE_API MCWaveSaveDlg : public QFileDialog {
public:
    explicit MCWaveSaveDlg(QWidget* parent = nullptr);

    bool DoSave(std::string& file);

protected:
    // A name in a folder that does not exist is refused with a message; the dialog stays.
    void accept() override;
};
