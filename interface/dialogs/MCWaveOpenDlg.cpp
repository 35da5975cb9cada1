#include "interface/dialogs/MCWaveOpenDlg.h"

#include "interface/controls/MCTimeEdit.h"
#include "interface/core/InterfaceModule.h"
#include "interface/core/MCPaths.h"

#include "notabase/prefs/Preferences.h"
#include "platform/core/Resources.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/FileDialogLayout.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>

namespace {

constexpr const char* kSection = "Settings\\Open";

}  // namespace

QString MCWaveOpenDlg::FilterOf(const std::string& entry, QString* suffix)
{
    const QStringList parts = QString::fromStdString(entry).split('\n', Qt::SkipEmptyParts);
    const QString description = parts.value(0);
    const QString pattern = parts.value(1);
    if (suffix)
        *suffix = pattern.mid(2);
    return description.contains('(') ? description : description + " (" + pattern + ")";
}

MCWaveOpenDlg::MCWaveOpenDlg(QWidget* parent) : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ReadOnly);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    plat::ui::FileDialogLayout::fit(*this);
}

void MCWaveOpenDlg::extend(uint32_t context)
{
    auto* grid = dynamic_cast<QGridLayout*>(layout());
    if (!grid || m_trackBox)
        return;
    auto* location = new QGroupBox("Location", this);
    auto* form = new QFormLayout(location);
    m_trackBox = new QComboBox(location);
    plat::ui::setItemId(m_trackBox, kTrack);
    for (int track = 1; track <= 8; ++track)
        m_trackBox->addItem(QString::fromStdString(plat::format("%d", track)));
    auto* placeholder = new QLineEdit(location);
    plat::ui::setItemId(placeholder, kTime);
    form->addRow("&Track:", m_trackBox);
    form->addRow("T&ime:", placeholder);
    m_timeEdit = new MCTimeEdit;
    m_timeEdit->SubclassTimeEdit(kTime, location, context == kMusicalContext ? 1 : context == kClockContext ? 4 : -1,
                                 MCSpinEdit::kVisibleSpin);
    if (context != kMusicalContext && context != kClockContext)
        m_timeEdit->SetTimeFormat(LoadIntPreference("Settings\\Interface\\TimeEdit", "Format", 1));
    grid->addWidget(location, grid->rowCount(), 0, 1, grid->columnCount());
    setLabelText(QFileDialog::Accept, QString::fromStdString(InterfaceModule::String(11764)));
    if (m_track < 0)
        m_track = LoadIntPreference(kSection, "WaveTrack", 0);
    if (m_time == MCTime::TimeNull())
        m_time = MCTime::TimeZero();
    m_trackBox->setCurrentIndex(std::clamp(m_track, 0, 7));
    m_timeEdit->SetTimeValue(m_time, true);
    connect(m_trackBox, &QComboBox::currentIndexChanged, this, [this] { readControls(); });
    connect(m_timeEdit, &QLineEdit::textChanged, this, [this] { readControls(); });
}

void MCWaveOpenDlg::readControls()
{
    if (!m_initialised || !m_extended)
        return;
    m_track = m_trackBox->currentIndex();
    m_time = m_timeEdit->GetTimeValue();
}

bool MCWaveOpenDlg::DoOpen(std::string& file, uint32_t extraFlags, uint32_t context, uint32_t titleId, bool extended)
{
    setFileMode(extraFlags & kMultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    QString suffix;
    setNameFilter(FilterOf(InterfaceModule::String(11765), &suffix));
    setDefaultSuffix(suffix);
    setDirectory(QString::fromStdString(LoadStringPreference(kSection, "WaveDirectory", "")));
    if (titleId)
        setWindowTitle(QString::fromStdString(plat::Resources::string(titleId)));
    m_extended = extended;
    if (extended)
        extend(context);
    m_initialised = true;
    const bool ok = plat::ui::ModalHooks::runDialog(*this) == QDialog::Accepted && !selectedFiles().isEmpty();
    if (ok) {
        readControls();
        const QStringList chosen = selectedFiles();
        std::string folder;
        if (chosen.size() == 1) {
            file = chosen.first().toStdString();
            folder = MCGetFilePath(file);
        } else {
            folder = directory().absolutePath().toStdString();
            file = folder;
            for (const QString& path : chosen)
                file += '\0' + QFileInfo(path).fileName().toStdString();
        }
        SaveStringPreference(kSection, "WaveDirectory", folder.c_str());
        // A track never set (the plain dialog) keeps the one last chosen.
        if (m_track >= 0)
            SaveIntPreference(kSection, "WaveTrack", m_track);
    }
    m_initialised = false;
    return ok;
}
