#include "preferences/wizard/CWizardPgWave.h"

#include "preferences/core/CPrefsControls.h"
#include "preferences/core/CPrefsDevices.h"
#include "preferences/core/CWaveFormats.h"

#include "interface/pickers/MCDeviceList.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ItemId.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

PLAT_IMPLEMENT_DYNCREATE(CWizardPgWave, MCWizardForm)

namespace {

constexpr const char* kWave = "Sequencer\\WaveAudio";

}  // namespace

CWizardPgWave::CWizardPgWave() : MCWizardForm(kTemplate)
{
    auto* layout = new QGridLayout(this);
    auto* text = new QLabel("Choose the sound device that plays the audio tracks of your music, and the quality "
                            "it plays them in. Click the test button to hear it.",
                            this);
    text->setWordWrap(true);
    layout->addWidget(text, 0, 0, 1, 3);
    layout->addWidget(CPrefsControls::Placeholder(this, kDevice), 1, 0, 1, 3);
    layout->addWidget(CPrefsControls::NoDevicesLine(this, kNoDevices), 2, 0, 1, 3);
    layout->addWidget(CPrefsControls::Label(this, "&Format:", 0, kFormat), 3, 0);
    auto* format = new QComboBox(this);
    plat::ui::setItemId(format, kFormat);
    for (int index = 0; index < CWaveFormats::kCount; ++index)
        format->addItem(QString::fromStdString(CWaveFormats::WizardText(index)));
    layout->addWidget(format, 3, 1);
    layout->addWidget(CPrefsControls::Placeholder(this, kTest, "TESTWAVE"), 3, 2, Qt::AlignLeft);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(1, 1);
}

void CWizardPgWave::InitForm()
{
    // The output device is the value the sequencer and the audio page read.
    m_device = LoadIntPreference(kWave, "Default Output Device", 0);
    m_format = LoadIntPreference(kWave, "Default Output Format", 9);
    m_loadedFormat = m_format;
    auto* devices = new MCDeviceList(this);
    devices->SubclassDeviceList(kDevice, this, 4, 0);
    CPrefsControls::ShowNoDevices(this, kNoDevices, kDevice, 4);
    CPrefsControls::AttachTestButton(this, kTest, 0xFF0000);
    CPrefsControls::AttachBuddies(this);
}

void CWizardPgWave::DoDataExchange(plat::ui::DataExchange& dx)
{
    dx.comboIndex(kFormat, m_format);
    if (dx.saving() && (m_format < 0 || m_format >= CWaveFormats::kCount))
        m_format = m_loadedFormat;
    CPrefsControls::ExchangeDevice(dx, kDevice, m_device);
}

void CWizardPgWave::onNotice(int id, int code, QWidget*)
{
    if (id == kTest && code == 0)
        OnTest();
}

void CWizardPgWave::OnTest()
{
    if (!UpdateData(true))
        return;
    m_tested = true;
    CWaveFormats::SetDeviceFormat(false, m_format);
    CPrefsDevices::PlayTestSound(m_device);
}

void CWizardPgWave::SaveForm()
{
    SaveIntPreference(kWave, "Default Output Device", m_device);
    SaveIntPreference(kWave, "Default Output Format", m_format);
    CWaveFormats::SetDeviceFormat(false, m_format);
}

void CWizardPgWave::CancelForm()
{
    if (m_tested)
        CWaveFormats::SetDeviceFormat(false, m_loadedFormat);
}
