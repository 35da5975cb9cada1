#pragma once

#include "preferences/PreferencesExport.h"

#include <QDialog>
#include <QFont>

#include <cstdint>
#include <vector>

class CMiniImage;
class MCWizardForm;
class QLabel;
class QPushButton;
namespace plat {
struct RuntimeClass;
}

// "Device Wizard": the modal walk through the MIDI playback device, MIDI thru and digital audio
// settings, one form at a time with "< Back", "Next >" and "Finish". On the first run it opens
// with a greeting and a sound. Each form writes its settings when the wizard finishes; Cancel
// writes nothing (and puts back a wave format a test set).
class PREFERENCES_API MCDeviceWizard : public QDialog {
public:
    static constexpr int kTemplate = 8800;
    static constexpr int kPicture = 8805, kTitle = 8806, kFormArea = 8807, kBack = 8808, kNext = 8809;
    // Bits of the flags.
    static constexpr uint32_t kInitialised = 1, kWelcome = 2, kLastShown = 4;

    // Adds the forms: the greeting only while "FirstRun" is set.
    explicit MCDeviceWizard(QWidget* parent = nullptr);
    ~MCDeviceWizard() override;

    void AddForm(const plat::RuntimeClass* formClass);
    // Keeps each argument that is not -1 (a title id above 0 becomes the caption), runs the
    // wizard modally and answers its result.
    int DoWizard(int titleId, int second);

    // Makes the forms and shows the first; runs once (DoWizard and showing run it).
    void OnInitDialog();
    // Every form's data, in the same direction; false when a form's check failed.
    bool UpdateData(bool save);
    void DisplayForm(MCWizardForm* form);
    void DisplayFormAtPos(int position);
    // The position of the form in the list, -1 when it is not there.
    int FindForm(const MCWizardForm* form) const;
    void UpdateButtons();
    void OnPrevious();
    void OnNext();
    void OnFinish();
    void reject() override;

    uint32_t GetFlags() const { return m_flags; }
    int GetFormCount() const { return static_cast<int>(m_forms.size()); }
    MCWizardForm* GetForm(int position) const;
    MCWizardForm* GetShownForm() const { return m_shown; }
    const QFont& GetTitleFont() const { return m_titleFont; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    uint32_t m_flags = 0;
    int m_titleId = 0;
    int m_second = 0;
    CMiniImage* m_picture = nullptr;
    QLabel* m_title = nullptr;
    QWidget* m_formArea = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QFont m_titleFont;
    std::vector<const plat::RuntimeClass*> m_formClasses;
    // Children of the wizard, which deletes them with itself.
    std::vector<MCWizardForm*> m_forms;
    MCWizardForm* m_shown = nullptr;
};
