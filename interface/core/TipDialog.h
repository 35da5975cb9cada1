#pragma once

#include "interface/InterfaceExport.h"

#include "interface/core/TipFile.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;

// The tip of the day: shows one tip of the tip file, steps to the next on request, and lets
// the user choose whether tips show at start-up. The caller reads the show flag and the
// number of the tip shown last when it closes.
class INTERFACE_API TipDialog : public QDialog {
public:
    TipDialog(const std::string& tipFile, int tipNumber, bool showAtStartUp, QWidget* parent = nullptr);

    bool GetShowAtStartUp() const;
    int GetTipNumber() const { return m_number; }
    const TipFile& Tips() const { return m_tips; }

    void NextTip();

private:
    void showTip();

    TipFile m_tips;
    int m_number = 1;
    QLabel* m_text;
    QCheckBox* m_show;
};
