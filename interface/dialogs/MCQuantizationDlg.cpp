#include "interface/dialogs/MCQuantizationDlg.h"

#include "notabase/prefs/Preferences.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCPrefs.h"
#include "platform/ui/dialog/ItemId.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr const char* kSection = "Sequencer\\Midi\\Record";
constexpr const char* kDivisions[] = {"(0) None",
                                      "(1) Quarter Note",
                                      "(2) 8th Note",
                                      "(3) 8th Note Triplet",
                                      "(4) 16th Note",
                                      "(5) 16th Note Quintuplet",
                                      "(6) 16th Note Sextuplet",
                                      "(7) 16th Note Septuplet",
                                      "(8) 32nd Note"};

}  // namespace

MCQuantizationDlg::MCQuantizationDlg(QWidget* parent) : plat::ui::ExchangeDialog(parent)
{
    setWindowTitle("Input Quantization Settings");
    auto* layout = new QVBoxLayout(this);
    auto* aspects = new QGroupBox("Quantize", this);
    auto* aspectLayout = new QVBoxLayout(aspects);
    const std::pair<int, const char*> boxes[] = {
        {kStarts, "Note starting &times"}, {kDurations, "Note d&urations"}, {kOther, "Other data t&ypes"}};
    for (const auto& [id, text] : boxes) {
        auto* box = new QCheckBox(text, aspects);
        plat::ui::setItemId(box, id);
        aspectLayout->addWidget(box);
    }
    auto* grid = new QFormLayout;
    auto* primary = new QComboBox(this);
    auto* secondary = new QComboBox(this);
    for (int division = 0; division <= 8; ++division) {
        if (division > 0)
            primary->addItem(kDivisions[division]);
        secondary->addItem(kDivisions[division]);
    }
    plat::ui::setItemId(primary, kPrimary);
    plat::ui::setItemId(secondary, kSecondary);
    auto* percent = new QSlider(Qt::Horizontal, this);
    percent->setRange(0, 100);
    percent->setTickInterval(10);
    percent->setTickPosition(QSlider::TicksBelow);
    plat::ui::setItemId(percent, kPercent);
    grid->addRow("&Primary grid:", primary);
    grid->addRow("&Secondary grid:", secondary);
    grid->addRow("St&rength:", percent);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &MCQuantizationDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &MCQuantizationDlg::reject);
    layout->addWidget(aspects);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    initDialog();
    updateData(false);
}

void MCQuantizationDlg::initDialog()
{
    if (m_initialised)
        return;
    m_primary = LoadIntPreference(kSection, "Quantization Division 1", 4);
    m_secondary = LoadIntPreference(kSection, "Quantization Division 2", 3);
    m_mode = LoadIntPreference(kSection, "Quantization Mode", 0);
    m_percent = LoadIntPreference(kSection, "Quantization Percent", 100);
    m_starts = m_mode & 1;
    m_durations = (m_mode >> 1) & 1;
    m_other = (m_mode >> 2) & 1;
    m_initialised = true;
}

void MCQuantizationDlg::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!m_initialised)
        return;
    dx.check(kStarts, m_starts);
    dx.check(kDurations, m_durations);
    dx.check(kOther, m_other);
    int primaryIndex = m_primary - 1;
    dx.comboIndex(kPrimary, primaryIndex);
    dx.comboIndex(kSecondary, m_secondary);
    if (auto* slider = dx.control<QSlider>(kPercent)) {
        if (dx.saving())
            m_percent = slider->value();
        else
            slider->setValue(m_percent);
    }
    if (dx.saving()) {
        m_primary = primaryIndex + 1;
        m_percent = m_percent < 1 ? 0 : std::min(m_percent, 100);
        m_mode = m_starts + 2 * m_durations + 4 * m_other;
        m_enabled = m_mode != 0 && m_percent > 0;
    }
}

void MCQuantizationDlg::accept()
{
    if (!updateData(true))
        return;
    SaveIntPreference(kSection, "Quantization Division 1", m_primary);
    SaveIntPreference(kSection, "Quantization Division 2", m_secondary);
    SaveIntPreference(kSection, "Quantization Mode", m_mode);
    SaveIntPreference(kSection, "Quantization Percent", m_percent);
    MCStateMgr::ApplyState(new SCPrefs(), nullptr);
    QDialog::accept();
}
