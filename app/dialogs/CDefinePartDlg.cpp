#include "app/dialogs/CDefinePartDlg.h"

#include "app/core/AppStrings.h"
#include "app/core/CDialogToolTips.h"
#include "interface/core/MCPaths.h"
#include "interface/document/DocumentStrings.h"
#include "interface/pickers/MCPartBox.h"
#include "interface/pickers/MCProgramTree.h"
#include "platform/core/Strings.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <utility>

namespace {

const std::pair<const char*, int> kStaffTypes[] = {{"Normal", 0}, {"Grand Staff", 1}, {"Drum", 3}, {"Vocal", 6}};
const std::pair<const char*, int> kClefs[] = {{"Treble", 0}, {"Treble (+1 octave)", 1}, {"Treble (-1 octave)", 2},
                                              {"Alto (Viola)", 7}, {"Tenor", 6},  {"Bass", 3},
                                              {"Bass (+1 octave)", 4}, {"Bass (-1 octave)", 5}, {"Drum", 8},
                                              {"None", 9}};
const char* const kMajorKeys[] = {"C", "G", "D", "A", "E", "B", "F-Sharp", "C-Sharp",
                                  "F", "B-Flat", "E-Flat", "A-Flat", "D-Flat", "G-Flat", "C-Flat"};
const char* const kMinorKeys[] = {"a", "e", "b", "f-sharp", "c-sharp", "g-sharp", "d-sharp", "a-sharp",
                                  "d", "g", "c", "f", "b-flat", "e-flat", "a-flat"};

template <size_t N>
void fillValues(QComboBox* box, const std::pair<const char*, int> (&items)[N])
{
    for (const auto& [text, value] : items)
        box->addItem(text, value);
}

int indexOfValue(const QComboBox* box, int value)
{
    return box->findData(value);
}

}  // namespace

CDefinePartDlg::CDefinePartDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Define Part");
    CDialogToolTips::Install(this);
    auto* layout = new QGridLayout(this);
    const auto add = [&](QWidget* control, int id, const char* text, int row, int column) {
        plat::ui::setItemId(control, id);
        auto* label = new QLabel(text, this);
        label->setBuddy(control);
        layout->addWidget(label, row, column);
        layout->addWidget(control, row, column + 1);
    };
    m_label = new QLineEdit("New Part", this);
    add(m_label, kLabel, "&Label:", 0, 0);
    m_staffTypes = new QComboBox(this);
    fillValues(m_staffTypes, kStaffTypes);
    add(m_staffTypes, kStaffType, "&Staff type:", 1, 0);
    m_instruments = new QComboBox(this);
    // The General MIDI names of bank 0; a program without a name is listed by its number.
    const std::string file = MCGetAppPath("Instruments/General Midi.INI");
    for (int program = 0; program < 128; ++program) {
        std::string container, name;
        if (!MCProgramTree::GetPatchName(file, 0, program, container, name, 2, false, false))
            name = std::to_string(program + 1);
        m_instruments->addItem(QString::fromStdString(name), program);
    }
    add(m_instruments, kInstrument, "&Instrument:", 2, 0);
    m_clefs = new QComboBox(this);
    fillValues(m_clefs, kClefs);
    add(m_clefs, kClef, "&Clef:", 3, 0);
    m_majors = new QComboBox(this);
    for (const char* key : kMajorKeys)
        m_majors->addItem(key);
    add(m_majors, kMajor, "&Major key:", 4, 0);
    m_minors = new QComboBox(this);
    for (const char* key : kMinorKeys)
        m_minors->addItem(key);
    add(m_minors, kMinor, "M&inor key:", 5, 0);
    m_sharpCounts = new QComboBox(this);
    m_flatCounts = new QComboBox(this);
    for (int count = 0; count <= 7; ++count) {
        m_sharpCounts->addItem(QString::number(count));
        m_flatCounts->addItem(QString::number(count));
    }
    add(m_sharpCounts, kSharps, "S&harps:", 6, 0);
    add(m_flatCounts, kFlats, "&Flats:", 7, 0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDefinePartDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDefinePartDlg::reject);
    layout->addWidget(buttons, 8, 0, 1, 2);

    connect(m_staffTypes, &QComboBox::activated, this, [this] { OnStaffType(); });
    connect(m_clefs, &QComboBox::activated, this, [this] { OnClef(); });
    connect(m_majors, &QComboBox::activated, this, [this](int index) { OnKey(index, 0); });
    connect(m_minors, &QComboBox::activated, this, [this](int index) { OnKey(index, 1); });
    connect(m_sharpCounts, &QComboBox::activated, this, [this] { OnSharps(); });
    connect(m_flatCounts, &QComboBox::activated, this, [this] { OnFlats(); });
    UpdateEnabling();
    ShowData();
}

std::string CDefinePartDlg::Run(QWidget* parent)
{
    CDefinePartDlg dialog(parent);
    return dialog.exec() == QDialog::Accepted ? dialog.GetLabel() : std::string();
}

int CDefinePartDlg::GetProgram() const
{
    return m_instruments->currentData().toInt();
}

std::string CDefinePartDlg::GetLabel() const
{
    return m_label->text().toStdString();
}

void CDefinePartDlg::OnStaffType()
{
    m_staffType = m_staffTypes->currentData().toInt();
    UpdateEnabling();
    ShowData();
}

void CDefinePartDlg::OnClef()
{
    m_clef = m_clefs->currentData().toInt();
    ShowData();
}

void CDefinePartDlg::OnKey(int index, int mode)
{
    if (index < 0)
        return;
    m_sharps = index > 7 ? 0 : index;
    m_flats = index > 7 ? index - 7 : 0;
    m_mode = mode;
    ShowData();
}

void CDefinePartDlg::OnSharps()
{
    m_sharps = m_sharpCounts->currentIndex();
    m_flats = 0;
    ShowData();
}

void CDefinePartDlg::OnFlats()
{
    m_flats = m_flatCounts->currentIndex();
    m_sharps = 0;
    ShowData();
}

// A grand staff takes its clefs from its hands and a drum staff plays no key or instrument
// and reads the drum clef.
void CDefinePartDlg::UpdateEnabling()
{
    const bool drum = m_staffType == 3;
    if (drum)
        m_clef = 8;
    m_clefs->setEnabled(m_staffType != 1 && !drum);
    for (QWidget* control : {static_cast<QWidget*>(m_majors), static_cast<QWidget*>(m_minors),
                             static_cast<QWidget*>(m_sharpCounts), static_cast<QWidget*>(m_flatCounts),
                             static_cast<QWidget*>(m_instruments)})
        control->setEnabled(!drum);
}

void CDefinePartDlg::ShowData()
{
    m_staffTypes->setCurrentIndex(indexOfValue(m_staffTypes, m_staffType));
    m_clefs->setCurrentIndex(indexOfValue(m_clefs, m_clef));
    m_sharpCounts->setCurrentIndex(m_sharps > 0 ? m_sharps : 0);
    m_flatCounts->setCurrentIndex(m_sharps > 0 ? 0 : m_flats);
    const int key = m_sharps > 0 ? m_sharps : m_flats > 0 ? m_flats + 7 : 0;
    m_majors->setCurrentIndex(key);
    m_minors->setCurrentIndex(key);
}

void CDefinePartDlg::accept()
{
    const std::string label = GetLabel();
    // The part is stored under a key of its label, where a separator would file it under another name.
    const bool separated = label.find_first_of("/\\") != std::string::npos;
    if (label.empty() || separated) {
        const std::string text =
            AppStrings::text(separated ? AppStrings::partLabelSeparator : AppStrings::partLabelMissing);
        plat::UserPrompt::ask({DocumentStrings::applicationName(), text, plat::UserPrompt::Buttons::ok,
                               plat::UserPrompt::Icon::warning, std::nullopt});
        m_label->setFocus();
        return;
    }
    MCPartBox parts;
    parts.AddPart(label, m_staffType, m_clef, m_sharps, m_flats, m_mode, GetProgram());
    QDialog::accept();
}
