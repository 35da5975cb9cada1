#include "preferences/pages/CPrefsPgSave.h"

#include "preferences/core/CPrefsControls.h"

#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ItemId.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

PLAT_IMPLEMENT_DYNCREATE(CPrefsPgSave, CPrefsPageBase)

namespace {

constexpr const char* kSave = "Settings\\Save";
constexpr const char* kMidiSave = "Sequencer\\Midi\\Save";

QCheckBox* check(QWidget* parent, const char* text, int id)
{
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    plat::ui::setItemId(box, id);
    return box;
}

}  // namespace

CPrefsPgSave::CPrefsPgSave() : CPrefsPageBase("Save")
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(check(this, "Always create &backup copy", kBackup));
    layout->addWidget(check(this, "Prompt to save as KVD file", kPromptKvd));
    auto* autoRow = new QGridLayout;
    QCheckBox* autoSave = check(this, "&Automatic save every", kAutoSave);
    auto* period = new QLineEdit(this);
    plat::ui::setItemId(period, kPeriod);
    period->setMaxLength(4);
    period->setMaximumWidth(period->fontMetrics().horizontalAdvance("00000") + 12);
    autoRow->addWidget(autoSave, 0, 0);
    autoRow->addWidget(period, 0, 1);
    autoRow->addWidget(CPrefsControls::Label(this, "minutes"), 0, 2);
    autoRow->addWidget(check(this, "Apply to &new documents", kAutoSaveNew), 1, 0, 1, 3);
    autoRow->setColumnStretch(3, 1);
    layout->addLayout(autoRow);
    auto* midi = new QGroupBox("When saving MIDI files", this);
    auto* midiLayout = new QVBoxLayout(midi);
    midiLayout->addWidget(check(midi, "Obey &mute/solo for each track", kObeyTrackState));
    midiLayout->addWidget(check(midi, "Obey &filters (accents, dynamics, etc.)", kObeyFilters));
    midiLayout->addWidget(check(midi, "Obey &repeat signs", kObeyRepeats));
    layout->addWidget(midi);
    layout->addStretch(1);
    connect(autoSave, &QCheckBox::clicked, this, [this] { OnAutoSave(); });
}

void CPrefsPgSave::OnInitDialog()
{
    m_initialised = true;
    LoadPrefs();
}

void CPrefsPgSave::LoadPrefs()
{
    m_backup = LoadIntPreference(kSave, "CreateBackup", 1);
    m_promptKvd = LoadIntPreference(kSave, "PromptKVD", 1);
    m_autoSave = LoadIntPreference(kSave, "AutoSave", 1);
    m_period = LoadIntPreference(kSave, "AutoSavePeriod", 10);
    m_autoSaveNew = LoadIntPreference(kSave, "AutoSaveNew", 0);
    m_obeyTrackState = LoadIntPreference(kMidiSave, "Ignore Track State", 1) ? 0 : 1;
    m_obeyFilters = LoadIntPreference(kMidiSave, "Ignore Filters", 0) ? 0 : 1;
    m_obeyRepeats = LoadIntPreference(kMidiSave, "Ignore Repeats", 0) ? 0 : 1;
    updateData(false);
}

void CPrefsPgSave::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!m_initialised)
        return;
    dx.check(kBackup, m_backup);
    dx.check(kPromptKvd, m_promptKvd);
    dx.check(kAutoSave, m_autoSave);
    dx.integer(kPeriod, m_period);
    // A period the auto-save timer cannot hold is refused, while it is in use (the field is
    // disabled otherwise, and the user could not mend it).
    if (m_autoSave)
        dx.range(m_period, kMinPeriod, kMaxPeriod);
    dx.check(kAutoSaveNew, m_autoSaveNew);
    dx.check(kObeyTrackState, m_obeyTrackState);
    dx.check(kObeyFilters, m_obeyFilters);
    dx.check(kObeyRepeats, m_obeyRepeats);
    if (!dx.saving()) {
        for (int id : {kPeriod, kAutoSaveNew}) {
            if (QWidget* control = plat::ui::itemWidget(this, id))
                control->setEnabled(m_autoSave != 0);
        }
    }
}

void CPrefsPgSave::OnAutoSave()
{
    updateData(true);
    updateData(false);
}

void CPrefsPgSave::SavePrefs()
{
    if (!m_initialised || !updateData(true))
        return;
    SaveIntPreference(kSave, "CreateBackup", m_backup);
    SaveIntPreference(kSave, "PromptKVD", m_promptKvd);
    SaveIntPreference(kSave, "AutoSave", m_autoSave);
    SaveIntPreference(kSave, "AutoSavePeriod", m_period);
    SaveIntPreference(kSave, "AutoSaveNew", m_autoSaveNew);
    SaveIntPreference(kMidiSave, "Ignore Track State", m_obeyTrackState ? 0 : 1);
    SaveIntPreference(kMidiSave, "Ignore Filters", m_obeyFilters ? 0 : 1);
    SaveIntPreference(kMidiSave, "Ignore Repeats", m_obeyRepeats ? 0 : 1);
}
