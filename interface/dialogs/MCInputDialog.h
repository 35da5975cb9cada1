#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/dialog/ExchangeDialog.h"

#include <string>

// A small prompt for one line of text (a name).
class INTERFACE_API MCInputDialog : public plat::ui::ExchangeDialog {
public:
    static constexpr int kIcon = 11701, kPrompt = 11702, kLabel = 11703, kInput = 11704;

    MCInputDialog(int titleId, int promptId, int labelId, QWidget* parent = nullptr);
    MCInputDialog(const std::string& title, const std::string& prompt, const std::string& label,
                  QWidget* parent = nullptr);

    // Runs the prompt; text is what was typed when the answer is OK, else empty. Answers the
    // dialog's result.
    virtual int DoModalInput(std::string& text);

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void build();

    std::string m_title;
    std::string m_prompt;
    std::string m_label;
    std::string m_input;
};
