#pragma once

#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ExchangeDialog.h"

#include <string>

class ECSystemMessage;
class MCOpusDoc;
class QMenu;

// Edits one system-exclusive message of a document, or makes a new one under the conductor
// staff: its name, its time (none for a pre-start message, which the list dialog places) and
// its bytes as hex text, filled from presets or a .syx file and written to one.
class CSysExEditDlg : public plat::ui::ExchangeDialog {
public:
    static constexpr int kName = 821, kTime = 822, kPrestart = 823, kData = 824, kImport = 825, kExport = 826,
                         kAdd = 807;
    // The commands of the presets menu.
    static constexpr int kSysExMessage = 33271, kGMSystemOn = 33275, kGMSystemOff = 33276, kGSReset = 33277,
                         kXGSystemOn = 33278;

    // element null: a new message.
    CSysExEditDlg(MCOpusDoc* doc, ECSystemMessage* element, QWidget* parent = nullptr);
    ~CSysExEditDlg() override;

    // Runs the editor modally; QDialog::Accepted when a change was applied.
    static int Run(MCOpusDoc* doc, ECSystemMessage* element, QWidget* parent = nullptr);

    void OnPreset(int command);
    void OnPrestart();
    void OnImport();
    void OnExport();
    // Applies the message through the document's commands; stays open when the text gives no
    // bytes.
    void accept() override;

    const std::string& GetName() const { return m_name; }
    const MCTime& GetTime() const { return m_time; }
    const std::string& GetDataText() const { return m_data; }

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void applyChange(const class FCMidiSysEx& bytes);
    void reportFileError(int titleId, int messageId, int error);

    MCOpusDoc* m_doc;
    ECSystemMessage* m_element;
    std::string m_name;
    MCTime m_time;
    int m_prestart = 0;
    std::string m_data;
    QMenu* m_presets = nullptr;
};
