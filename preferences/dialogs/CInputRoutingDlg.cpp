#include "preferences/dialogs/CInputRoutingDlg.h"

#include "preferences/core/CPrefsControls.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCNoteEdit.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ItemId.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr const char* kRecord = "Sequencer\\Midi\\Record";

struct ConfigurationText {
    const char* caption;
    const char* description;
};

constexpr ConfigurationText kConfigurations[] = {
    {"Omni Mode:", "Every channel records into the record track."},
    {"Poly mode:", "Channel 1 records into the record track, the others into tracks of their own."},
    {"Pitch Split (A):", "Notes below the split point record into a second track."},
    {"Pitch Split (B):", "Notes below the split point record into a second voice of the record track."},
    {"Guitar (A):", "Each string's channel records into a track of its own, from the low channel up."},
    {"Guitar (B):", "Each string's channel records into a new track when it first plays."},
    {"Guitar (C):", "Every string records into the record track."},
};

}  // namespace

CInputRoutingDlg::CInputRoutingDlg(QWidget* parent) : plat::ui::ExchangeDialog(parent)
{
    setWindowTitle("Input Routing");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    auto* group = new QButtonGroup(this);
    for (int i = 0; i <= kLastConfiguration - kFirstConfiguration; ++i) {
        QRadioButton* radio = CPrefsControls::Radio(this, kConfigurations[i].caption, kFirstConfiguration + i);
        plat::ui::setGroupStart(radio, i == 0);
        group->addButton(radio, i);
        auto* description = new QLabel(QString::fromUtf8(kConfigurations[i].description), this);
        description->setWordWrap(true);
        grid->addWidget(radio, i, 0);
        grid->addWidget(description, i, 1);
        connect(radio, &QRadioButton::clicked, this, [this] { OnConfiguration(); });
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    auto* values = new QGridLayout;
    values->addWidget(CPrefsControls::Label(this, "&Split point:", kSplitLabel, kSplitPitch), 0, 0);
    values->addWidget(CPrefsControls::Placeholder(this, kSplitPitch), 0, 1);
    values->addWidget(CPrefsControls::Label(this, "&Low channel:", kLowChannelLabel, kLowChannel), 1, 0);
    auto* combo = new QComboBox(this);
    plat::ui::setItemId(combo, kLowChannel);
    for (int channel = 1; channel <= 16; ++channel)
        combo->addItem(QString::number(channel));
    values->addWidget(combo, 1, 1);
    values->setColumnStretch(2, 1);
    layout->addLayout(values);
    layout->addWidget(CPrefsControls::Check(this, "&Keep the notes of each input device apart", kUseDevice));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    plat::ui::setItemId(ok, kOk);
    auto* cancel = new QPushButton("Cancel", this);
    plat::ui::setItemId(cancel, kCancel);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CInputRoutingDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CInputRoutingDlg::reject);
    initDialog();
    updateData(false);
}

void CInputRoutingDlg::initDialog()
{
    if (m_initialised)
        return;
    m_configuration = std::clamp(LoadIntPreference(kRecord, "Recording Configuration", 0), 0,
                                 kLastConfiguration - kFirstConfiguration);
    m_splitPitch = std::clamp(LoadIntPreference(kRecord, "Split Pitch", 60), 0, 127);
    m_lowChannel = std::clamp(LoadIntPreference(kRecord, "Low Channel", 2) - 1, 0, 15);
    m_ignoreDevice = LoadIntPreference(kRecord, "Ignore Device", 1) ? 1 : 0;
    m_note = new MCNoteEdit(this);
    m_note->SubclassNoteEdit(kSplitPitch, this, 0);
    m_note->SetRange(0, 127);
    m_combo = plat::ui::item<QComboBox>(this, kLowChannel);
    CPrefsControls::AttachBuddies(this);
    m_initialised = true;
}

void CInputRoutingDlg::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!m_initialised)
        return;
    dx.radio(kFirstConfiguration, m_configuration);
    // Outside the pitch splits the split point is disabled: a note it holds is kept, text it
    // cannot take is not refused, as the user could not mend it there.
    if (!dx.saving() || UsesSplitPitch() || (m_note && m_note->IsTextValid()))
        DDX_MCNoteEdit(dx, kSplitPitch, m_splitPitch);
    dx.comboIndex(kLowChannel, m_lowChannel);
    int useDevice = m_ignoreDevice ? 0 : 1;
    dx.check(kUseDevice, useDevice);
    if (dx.saving())
        m_ignoreDevice = useDevice ? 0 : 1;
    else
        UpdateEnabling();
}

bool CInputRoutingDlg::UsesSplitPitch() const
{
    return m_configuration == pitchSplitA || m_configuration == pitchSplitB;
}

void CInputRoutingDlg::UpdateEnabling()
{
    const bool split = UsesSplitPitch();
    const bool guitar = m_configuration == guitarA || m_configuration == guitarB;
    CPrefsControls::Enable(this, {kSplitPitch, kSplitLabel}, split);
    if (m_note)
        m_note->EnableWindow(split);
    CPrefsControls::Enable(this, {kLowChannel, kLowChannelLabel}, guitar);
}

void CInputRoutingDlg::OnConfiguration()
{
    updateData(true);
    UpdateEnabling();
}

void CInputRoutingDlg::SaveRouting() const
{
    SaveIntPreference(kRecord, "Recording Configuration", m_configuration);
    SaveIntPreference(kRecord, "Split Pitch", m_splitPitch);
    SaveIntPreference(kRecord, "Low Channel", m_lowChannel + 1);
    SaveIntPreference(kRecord, "Ignore Device", m_ignoreDevice);
}

void CInputRoutingDlg::accept()
{
    if (!updateData(true))
        return;
    QDialog::accept();
}
