#pragma once

#include "interface/InterfaceExport.h"

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;

// Asks for the password of a protected document. OK with a wrong password says so and keeps
// the dialog open; the comparison is exact.
class INTERFACE_API MCPasswordDialog : public QDialog {
public:
    static constexpr int kPromptId = 11721;
    static constexpr int kEditId = 11722;

    explicit MCPasswordDialog(QWidget* parent = nullptr);

    void SetPrompt(const std::string& prompt) { m_prompt = prompt; }
    void SetPassword(const std::string& password) { m_password = password; }
    const std::string& GetEntered() const { return m_entered; }

    // 1 when the operation may go on: nothing to ask, no password set, or the user gave it.
    int VerifyPassword();

    void accept() override;

private:
    std::string m_prompt;
    std::string m_entered;
    std::string m_password;
    QLabel* m_promptLabel;
    QLineEdit* m_edit;
};
