#include "preferences/pages/CPrefsPgWaveAudio.h"

#include "preferences/core/CPrefsControls.h"
#include "preferences/core/CPrefsDevices.h"
#include "preferences/core/CWaveFormats.h"
#include "preferences/core/PrefsModule.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/pickers/MCDeviceList.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

#include <algorithm>

PLAT_IMPLEMENT_DYNCREATE(CPrefsPgWaveAudio, CPrefsPageBase)

namespace {

constexpr const char* kWave = "Sequencer\\WaveAudio";

}  // namespace

CPrefsPgWaveAudio::CPrefsPgWaveAudio() : CPrefsPageBase("WAV Audio")
{
    auto* layout = new QGridLayout(this);
    auto* output = new QGroupBox("Playback", this);
    auto* outputLayout = new QGridLayout(output);
    outputLayout->addWidget(CPrefsControls::Placeholder(output, kOutputDevice), 0, 0, 1, 2);
    outputLayout->addWidget(CPrefsControls::Label(output, "Format:"), 1, 0);
    auto* outputFormat = new QComboBox(output);
    plat::ui::setItemId(outputFormat, kOutputFormat);
    for (int format = 0; format < CWaveFormats::kCount; ++format)
        outputFormat->addItem(QString::fromStdString(CWaveFormats::PageText(format)), format);
    outputLayout->addWidget(outputFormat, 1, 1);
    outputLayout->addWidget(CPrefsControls::Placeholder(output, kTest, "TESTWAVE"), 2, 0, Qt::AlignLeft);
    outputLayout->setColumnStretch(1, 1);
    auto* input = new QGroupBox("Recording", this);
    auto* inputLayout = new QGridLayout(input);
    inputLayout->addWidget(CPrefsControls::Placeholder(input, kInputDevice), 0, 0, 1, 2);
    inputLayout->addWidget(CPrefsControls::Label(input, "Format:"), 1, 0);
    auto* inputFormat = new QComboBox(input);
    plat::ui::setItemId(inputFormat, kInputFormat);
    inputLayout->addWidget(inputFormat, 1, 1);
    inputLayout->addWidget(CPrefsControls::Check(input, "Match playback format", kMatch), 2, 0, 1, 2);
    inputLayout->setColumnStretch(1, 1);
    // The input formats, filled in once the page is made, are some of the output's: the recording
    // half of the page, the narrower, keeps room for the widest of them.
    inputFormat->setMinimumWidth(outputFormat->minimumSizeHint().width());
    layout->addWidget(output, 0, 0);
    layout->addWidget(input, 0, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    auto* tracks = new QHBoxLayout;
    tracks->addWidget(CPrefsControls::Label(this, "Audio tracks:"));
    tracks->addWidget(CPrefsControls::Placeholder(this, kTrackCount));
    tracks->addWidget(CPrefsControls::Check(this, "&Automatic", kAutomatic));
    tracks->addStretch(1);
    layout->addLayout(tracks, 1, 0, 1, 2);
    layout->setRowStretch(2, 1);

    connect(outputFormat, &QComboBox::activated, this, [this] { OnOutputFormat(); });
    connect(plat::ui::item<QCheckBox>(this, kMatch), &QCheckBox::clicked, this, [this] { OnOutputFormat(); });
    connect(inputFormat, &QComboBox::activated, this, [this] { setModified(true); });
    connect(plat::ui::item<QCheckBox>(this, kAutomatic), &QCheckBox::clicked, this, [this] { OnAutomatic(); });
}

void CPrefsPgWaveAudio::OnInitDialog()
{
    for (auto [id, type] : {std::pair{kOutputDevice, 4}, std::pair{kInputDevice, 3}}) {
        auto* list = new MCDeviceList(this);
        list->SubclassDeviceList(id, this, type, 0);
        connect(list, &QListWidget::currentRowChanged, this, [this] {
            if (!m_loading)
                setModified(true);
        });
    }
    CPrefsControls::AttachTestButton(this, kTest, 0xFF0000);
    auto* count = new MCSpinEdit(this);
    count->SubclassSpinEdit(kTrackCount, this, MCSpinEdit::kVisibleSpin);
    count->SetRange(1, 256);
    count->setMaximumWidth(count->fontMetrics().horizontalAdvance("00000") + 40);
    LoadPrefs();
    m_initialised = true;
    FilterInputFormats();
    updateData(false);
}

void CPrefsPgWaveAudio::LoadPrefs()
{
    m_outputDevice = LoadIntPreference(kWave, "Default Output Device", 0);
    m_outputFormat = LoadIntPreference(kWave, "Default Output Format", kDefaultFormat);
    m_inputDevice = LoadIntPreference(kWave, "Default Input Device", 0);
    m_inputFormat = LoadIntPreference(kWave, "Default Input Format", 8);
    m_match = LoadIntPreference(kWave, "Match Formats", 1);
    m_recommended = LoadIntPreference(kWave, "Recommended Track Count", 8);
    // Any count of 0 or less means automatic (start-up stores -1, this page 0): one value, so
    // that saving an unchanged page does not take it for a new count.
    m_savedTrackCount = std::max(0, LoadIntPreference(kWave, "Track Count", 0));
    m_trackCount = m_savedTrackCount;
    m_automatic = m_trackCount == 0 ? 1 : 0;
    if (m_automatic)
        m_trackCount = m_recommended;
    m_savedOutputFormat = m_outputFormat;
}

void CPrefsPgWaveAudio::ExchangeFormat(plat::ui::DataExchange& dx, int id, int& format)
{
    auto* combo = dx.control<QComboBox>(id);
    if (!combo)
        return;
    if (dx.saving()) {
        format = combo->currentIndex() < 0 ? kDefaultFormat : combo->currentData().toInt();
        return;
    }
    combo->setCurrentIndex(combo->findData(format));
}

void CPrefsPgWaveAudio::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!m_initialised)
        return;
    m_loading = !dx.saving();
    CPrefsControls::ExchangeDevice(dx, kOutputDevice, m_outputDevice);
    CPrefsControls::ExchangeDevice(dx, kInputDevice, m_inputDevice);
    m_loading = false;
    ExchangeFormat(dx, kOutputFormat, m_outputFormat);
    ExchangeFormat(dx, kInputFormat, m_inputFormat);
    dx.check(kMatch, m_match);
    dx.check(kAutomatic, m_automatic);
    // An automatic count disables the field: what it holds is neither taken nor refused, as the
    // user gives it up (and could not mend it there).
    if (!dx.saving() || !m_automatic) {
        DDX_MCSpinEdit(dx, kTrackCount, m_trackCount);
        dx.range(m_trackCount, 1, 256);
    }
    if (!dx.saving()) {
        CPrefsControls::Enable(this, {kTrackCount}, !m_automatic);
        CPrefsControls::Enable(this, {kInputFormat}, !m_match);
    }
}

void CPrefsPgWaveAudio::FilterInputFormats()
{
    auto* output = plat::ui::item<QComboBox>(this, kOutputFormat);
    auto* input = plat::ui::item<QComboBox>(this, kInputFormat);
    if (!output || !input)
        return;
    const int group = CWaveFormats::RateGroup(m_outputFormat);
    input->clear();
    for (int i = 0; i < output->count(); ++i) {
        const int format = output->itemData(i).toInt();
        if (CWaveFormats::RateGroup(format) == group)
            input->addItem(output->itemText(i), format);
    }
    if (m_match || CWaveFormats::RateGroup(m_inputFormat) != group)
        m_inputFormat = m_outputFormat;
}

void CPrefsPgWaveAudio::OnOutputFormat()
{
    if (!updateData(true))
        return;
    FilterInputFormats();
    updateData(false);
    setModified(true);
}

void CPrefsPgWaveAudio::OnAutomatic()
{
    if (!updateData(true))
        return;
    if (m_automatic)
        m_trackCount = m_recommended;
    updateData(false);
    setModified(true);
}

void CPrefsPgWaveAudio::onNotice(int id, int code, QWidget*)
{
    if (id == kTest && code == 0)
        OnTest();
    else if (id == kTrackCount && code == MCSpinEdit::kNotice)
        setModified(true);
}

void CPrefsPgWaveAudio::OnTest()
{
    if (!updateData(true))
        return;
    CWaveFormats::SetDeviceFormat(false, m_outputFormat);
    CPrefsDevices::PlayTestSound(m_outputDevice);
}

void CPrefsPgWaveAudio::SavePrefs()
{
    if (!m_initialised || !updateData(true))
        return;
    const int trackCount = m_automatic ? 0 : m_trackCount;
    SaveIntPreference(kWave, "Default Output Device", m_outputDevice);
    SaveIntPreference(kWave, "Default Output Format", m_outputFormat);
    SaveIntPreference(kWave, "Default Input Device", m_inputDevice);
    SaveIntPreference(kWave, "Default Input Format", m_inputFormat);
    SaveIntPreference(kWave, "Match Formats", m_match);
    SaveIntPreference(kWave, "Track Count", trackCount);
    if (trackCount != m_savedTrackCount && !CPrefsDevices::OpenDocuments().empty()) {
        plat::UserPrompt::Message message;
        message.text = PrefsModule::String(PrefsModule::kWaveTrackCount);
        message.icon = plat::UserPrompt::Icon::information;
        plat::UserPrompt::ask(message);
    }
    m_savedTrackCount = trackCount;
    CWaveFormats::SetDeviceFormat(true, m_inputFormat);
    CWaveFormats::SetDeviceFormat(false, m_outputFormat);
    // Saved: Cancel from here on keeps this format.
    m_savedOutputFormat = m_outputFormat;
}

void CPrefsPgWaveAudio::onReset()
{
    // A test may have set another format on the outputs.
    if (m_initialised)
        CWaveFormats::SetDeviceFormat(false, m_savedOutputFormat);
}
