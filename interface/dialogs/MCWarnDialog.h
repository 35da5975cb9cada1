#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/dialog/ExchangeDialog.h"

#include <string>

class QLabel;

// The confirmation before an operation that cannot be undone. Each warning is known by the
// string id of its message; once the user ticks "Don't warn me about this again" and answers
// OK, that warning is skipped and the operation goes ahead. The choice and the warning's title
// are kept in "Settings\Interface\Warnings\<message id>" ("DontWarn", "Title").
class INTERFACE_API MCWarnDialog : public plat::ui::ExchangeDialog {
public:
    static constexpr int kIcon = 11711, kMessage = 11712, kDontWarn = 11713;

    MCWarnDialog(int titleId, int messageId, QWidget* parent = nullptr);

    // True at once when the warning is switched off; otherwise asks, true for OK.
    virtual bool OkToProceed();

    bool GetDontWarn() const { return m_dontWarn != 0; }
    const std::string& GetTitle() const { return m_title; }
    const std::string& GetMessage() const { return m_message; }
    static std::string SectionOf(int messageId);

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    // What the closed window leaves in the settings.
    void remember() const;

    int m_dontWarn;
    int m_messageId;
    std::string m_title;
    std::string m_message;
};
