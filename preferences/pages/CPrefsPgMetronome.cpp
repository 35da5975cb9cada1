#include "preferences/pages/CPrefsPgMetronome.h"

#include "preferences/core/CPrefsControls.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCNoteEdit.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/pickers/MCDeviceBox.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/play/CSeqMetronome.h"
#include "wavegate/CWavegate.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

PLAT_IMPLEMENT_DYNCREATE(CPrefsPgMetronome, CPrefsPageBase)

namespace {

constexpr const char* kMetronome = "Sequencer\\Midi\\Metronome";
constexpr const char* kPlay = "Sequencer\\Midi\\Play";

}  // namespace

CPrefsPgMetronome::CPrefsPgMetronome() : CPrefsPageBase("Metronome")
{
    auto* layout = new QVBoxLayout(this);
    auto* when = new QGroupBox("Click during", this);
    auto* whenLayout = new QHBoxLayout(when);
    whenLayout->addWidget(CPrefsControls::Check(when, "&Playback", kPlayEnable));
    whenLayout->addWidget(CPrefsControls::Check(when, "&Recording", kRecordEnable));
    whenLayout->addStretch(1);
    layout->addWidget(when);
    auto* source = new QGroupBox("Click with", this);
    auto* sourceLayout = new QHBoxLayout(source);
    auto* group = new QButtonGroup(this);
    QRadioButton* speaker = CPrefsControls::Radio(source, "Computer Spea&ker", kSpeaker);
    QRadioButton* notes = CPrefsControls::Radio(source, "&MIDI Notes", kMidiNotes);
    plat::ui::setGroupStart(speaker, true);
    group->addButton(speaker, 0);
    group->addButton(notes, 1);
    sourceLayout->addWidget(speaker);
    sourceLayout->addWidget(notes);
    sourceLayout->addStretch(1);
    layout->addWidget(source);

    auto* midi = new QGroupBox("MIDI Notes", this);
    plat::ui::setItemId(midi, kFirstLabel);
    auto* grid = new QGridLayout(midi);
    grid->addWidget(CPrefsControls::Label(midi, "Primary (first beat):", kFirstLabel + 1), 0, 0);
    grid->addWidget(CPrefsControls::Placeholder(midi, kPitch1), 0, 1);
    grid->addWidget(CPrefsControls::Label(midi, "Velocity:", kFirstLabel + 2), 0, 2);
    grid->addWidget(CPrefsControls::Placeholder(midi, kVelocity1), 0, 3);
    grid->addWidget(CPrefsControls::Placeholder(midi, kTestPrimary, "PRIMARY"), 0, 4);
    grid->addWidget(CPrefsControls::Label(midi, "Secondary (other beats):", kFirstLabel + 3), 1, 0);
    grid->addWidget(CPrefsControls::Placeholder(midi, kPitch2), 1, 1);
    grid->addWidget(CPrefsControls::Label(midi, "Velocity:", kFirstLabel + 4), 1, 2);
    grid->addWidget(CPrefsControls::Placeholder(midi, kVelocity2), 1, 3);
    grid->addWidget(CPrefsControls::Placeholder(midi, kTestSecondary, "SECONDARY"), 1, 4);
    grid->addWidget(CPrefsControls::Label(midi, "Device:", kFirstLabel + 5), 2, 0);
    grid->addWidget(CPrefsControls::Placeholder(midi, kDevice), 2, 1, 1, 4);
    grid->addWidget(CPrefsControls::Label(midi, "Channel:", kLastLabel), 3, 0);
    grid->addWidget(CPrefsControls::Placeholder(midi, kChannel), 3, 1);
    grid->setColumnStretch(1, 1);
    layout->addWidget(midi);
    layout->addStretch(1);

    for (int id : {kPlayEnable, kRecordEnable})
        connect(plat::ui::item<QCheckBox>(this, id), &QCheckBox::clicked, this, [this] { setModified(true); });
    for (QRadioButton* radio : {speaker, notes}) {
        connect(radio, &QRadioButton::clicked, this, [this] {
            updateData(true);
            UpdateEnabling();
            setModified(true);
        });
    }
}

void CPrefsPgMetronome::OnInitDialog()
{
    auto* channel = new MCSpinEdit(this);
    channel->SubclassSpinEdit(kChannel, this, MCSpinEdit::kVisibleSpin);
    channel->SetRange(1, 16);
    channel->setMaximumWidth(channel->fontMetrics().horizontalAdvance("000") + 40);
    auto* device = new MCDeviceBox(this);
    device->SubclassDeviceBox(kDevice, this, 2, -1);
    connect(device, &QComboBox::activated, this, [this] {
        updateData(true);
        setModified(true);
    });
    for (int id : {kPitch1, kPitch2}) {
        auto* note = new MCNoteEdit(this);
        note->SubclassNoteEdit(id, this, MCSpinEdit::kVisibleSpin);
        note->SetRange(0, 127);
        // Wide enough for the drum names it may show.
        note->setMinimumWidth(note->fontMetrics().horizontalAdvance("Acoustic Bass Drum") + 40);
    }
    for (int id : {kVelocity1, kVelocity2}) {
        auto* velocity = new MCSpinEdit(this);
        velocity->SubclassSpinEdit(id, this, MCSpinEdit::kVisibleSpin);
        velocity->SetRange(1, 127);
    }
    m_initialised = true;
    LoadPrefs();
}

void CPrefsPgMetronome::LoadPrefs()
{
    m_playEnable = LoadIntPreference(kMetronome, "Play Enable", 0);
    m_recordEnable = LoadIntPreference(kMetronome, "Record Enable", 1);
    m_source = LoadIntPreference(kMetronome, "Source", 1) ? 1 : 0;
    m_pitch1 = LoadIntPreference(kMetronome, "Pitch 1", CSeqMetronome::kDefaultPitch1);
    m_velocity1 = LoadIntPreference(kMetronome, "Velocity 1", CSeqMetronome::kDefaultVelocity1);
    m_pitch2 = LoadIntPreference(kMetronome, "Pitch 2", CSeqMetronome::kDefaultPitch2);
    m_velocity2 = LoadIntPreference(kMetronome, "Velocity 2", CSeqMetronome::kDefaultVelocity2);
    m_device = LoadIntPreference(kMetronome, "Device", 0);
    m_channel = LoadIntPreference(kMetronome, "Channel", CSeqMetronome::kDefaultChannel);
    updateData(false);
}

void CPrefsPgMetronome::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!m_initialised)
        return;
    if (!m_buttonsLoaded) {
        for (int id : {kTestPrimary, kTestSecondary})
            CPrefsControls::AttachTestButton(this, id, 0x0000FF, 2);
        m_buttonsLoaded = true;
    }
    dx.check(kPlayEnable, m_playEnable);
    dx.check(kRecordEnable, m_recordEnable);
    dx.radio(kSpeaker, m_source);
    // The computer's speaker disables the MIDI controls: what they hold is neither taken nor
    // refused, as the user could not mend it there (each valid change was taken as typed).
    if (dx.saving() && m_source != 1)
        return;
    DDX_MCNoteEdit(dx, kPitch1, m_pitch1);
    dx.range(m_pitch1, 0, 127);
    DDX_MCSpinEdit(dx, kVelocity1, m_velocity1);
    dx.range(m_velocity1, 1, 127);
    DDX_MCNoteEdit(dx, kPitch2, m_pitch2);
    dx.range(m_pitch2, 0, 127);
    DDX_MCSpinEdit(dx, kVelocity2, m_velocity2);
    dx.range(m_velocity2, 1, 127);
    // The default device the box shows is no choice of the user's: the metronome's own device is
    // kept for when the switch is turned off.
    if (!dx.saving() || !m_showsDefault)
        CPrefsControls::ExchangeDevice(dx, kDevice, m_device);
    DDX_MCSpinEdit(dx, kChannel, m_channel);
    dx.range(m_channel, 1, 16);
    if (!dx.saving()) {
        UpdateNoteFormat();
        UpdateEnabling();
    }
}

void CPrefsPgMetronome::UpdateNoteFormat()
{
    const int format = m_channel == kDrumChannel ? MCNoteEdit::drums : MCNoteEdit::sharps;
    for (int id : {kPitch1, kPitch2}) {
        if (auto* note = plat::ui::item<MCNoteEdit>(this, id))
            note->SetNoteFormat(format);
    }
}

void CPrefsPgMetronome::UpdateEnabling()
{
    const bool midi = m_source == 1;
    for (int id = kFirstLabel; id <= kLastLabel; ++id)
        CPrefsControls::Enable(this, {id}, midi);
    for (int id : {kPitch1, kPitch2}) {
        if (auto* note = plat::ui::item<MCNoteEdit>(this, id))
            note->EnableWindow(midi);
    }
    CPrefsControls::Enable(this, {kVelocity1, kVelocity2, kChannel, kTestPrimary, kTestSecondary}, midi);
    auto* device = plat::ui::item<MCDeviceBox>(this, kDevice);
    if (!device)
        return;
    // Playing everything on the default device takes the metronome there too.
    CWavegate* wavegate = CWavegate::GetWavegate();
    m_showsDefault = LoadIntPreference(kPlay, "Play Default Device", 0) && wavegate;
    if (m_showsDefault) {
        device->SetSelectedDevice(wavegate->GetDefaultMidiDevice());
        device->setEnabled(false);
    } else {
        device->setEnabled(midi);
    }
}

void CPrefsPgMetronome::onNotice(int id, int code, QWidget*)
{
    switch (id) {
    case kTestPrimary:
    case kTestSecondary:
        if (code == 0)
            OnTest(id == kTestPrimary);
        break;
    case kPitch1:
    case kPitch2:
    case kVelocity1:
    case kVelocity2:
    case kChannel: {
        auto* edit = plat::ui::item<MCSpinEdit>(this, id);
        if (!edit || !edit->IsTextValid())
            break;
        int* value = id == kPitch1 ? &m_pitch1 : id == kPitch2 ? &m_pitch2 : id == kVelocity1 ? &m_velocity1
                   : id == kVelocity2 ? &m_velocity2 : &m_channel;
        *value = edit->GetValue();
        if (id == kChannel)
            UpdateNoteFormat();
        setModified(true);
        break;
    }
    default: break;
    }
}

uint32_t CPrefsPgMetronome::NoteOn(bool primary) const
{
    const auto byte = [](int value) { return static_cast<uint32_t>(value & 0x7F); };
    return (0x90u | static_cast<uint32_t>((m_channel - 1) & 0x0F)) | byte(primary ? m_pitch1 : m_pitch2) << 8 |
           byte(primary ? m_velocity1 : m_velocity2) << 16;
}

void CPrefsPgMetronome::OnTest(bool primary)
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (!wavegate)
        return;
    const uint32_t on = NoteOn(primary);
    wavegate->SendMidiNote(m_device, on, on & 0xFFFFu, kTestDurationMs, 0);
}

void CPrefsPgMetronome::SavePrefs()
{
    if (!m_initialised || !updateData(true))
        return;
    SaveIntPreference(kMetronome, "Play Enable", m_playEnable);
    SaveIntPreference(kMetronome, "Record Enable", m_recordEnable);
    SaveIntPreference(kMetronome, "Source", m_source);
    SaveIntPreference(kMetronome, "Pitch 1", m_pitch1);
    SaveIntPreference(kMetronome, "Velocity 1", m_velocity1);
    SaveIntPreference(kMetronome, "Pitch 2", m_pitch2);
    SaveIntPreference(kMetronome, "Velocity 2", m_velocity2);
    SaveIntPreference(kMetronome, "Device", m_device);
    SaveIntPreference(kMetronome, "Channel", m_channel);
}
