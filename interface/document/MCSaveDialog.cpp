#include "interface/document/MCSaveDialog.h"

#include "interface/core/MCPaths.h"
#include "interface/document/DocumentStrings.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Paths.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/FileDialogLayout.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QLineEdit>
#include <QStringList>

#include <algorithm>

PLAT_IMPLEMENT_DYNAMIC(MCSaveDialog, plat::Object)

namespace {

constexpr const char* kOpenSection = "Settings\\Open";

// The file name's extension without its dot, in lower case ("" for a name without one).
std::string extensionOf(const std::string& path)
{
    const std::string text = plat::paths::extension(path);
    return plat::lowerAscii(text.empty() ? text : text.substr(1));
}

// The display part of a filter string "text\npattern\n".
QString filterText(unsigned id)
{
    const std::string filter = DocumentStrings::text(id);
    return QString::fromStdString(filter.substr(0, filter.find('\n')));
}

}  // namespace

const MCSaveDialog::Format MCSaveDialog::kFormats[kFormatCount] = {
    {0, "kvd", DocumentStrings::filterNative},
    {1, "mid", DocumentStrings::filterMidi0},
    {2, "mid", DocumentStrings::filterMidi1},
};

MCSaveDialog::MCSaveDialog(QWidget* parent) : QFileDialog(parent)
{
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    // The type list must report its changes, which the platform's own dialog does not.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::DontConfirmOverwrite, false);
    plat::ui::FileDialogLayout::fit(*this);
    QStringList filters;
    for (const Format& format : kFormats)
        filters << filterText(format.filterId);
    setNameFilters(filters);
    connect(this, &QFileDialog::filterSelected, this,
            [this](const QString& filter) { OnTypeChange(static_cast<int>(nameFilters().indexOf(filter))); });
}

int MCSaveDialog::GetSaveFormat(const std::string& path)
{
    const std::string extension = extensionOf(path);
    for (int i = 0; i < kFormatCount; ++i) {
        if (extension == kFormats[i].extension)
            return i;
    }
    return -1;
}

int MCSaveDialog::FormatForPath(int format, const std::string& path)
{
    const std::string extension = extensionOf(path);
    if (format == 0 && extension == "mid")
        return 2;
    if ((format == 1 || format == 2) && extension == "kvd")
        return 0;
    return format;
}

void MCSaveDialog::OnTypeChange(int index)
{
    if (index < 0 || index >= kFormatCount)
        return;
    m_saveFormat = kFormats[index].format;
    auto* nameEdit = findChild<QLineEdit*>("fileNameEdit");
    if (!nameEdit)
        return;
    const std::string title = MCGetTitle(nameEdit->text().toStdString());
    if (!title.empty())
        nameEdit->setText(QString::fromStdString(plat::format("%s.%s", title.c_str(), kFormats[index].extension)));
}

int MCSaveDialog::GetSavePath(std::string& path, int format, int replace)
{
    setWindowTitle(QString::fromStdString(
        DocumentStrings::text(replace ? DocumentStrings::saveAsTitle : DocumentStrings::saveCopyTitle)));
    const int chosen = std::clamp(format, 0, kFormatCount - 1);
    m_saveFormat = kFormats[chosen].format;
    selectNameFilter(nameFilters().value(chosen));
    setDefaultSuffix(kFormats[chosen].extension);
    setDirectory(QString::fromStdString(LoadStringPreference(kOpenSection, "Directory", MCGetAppPath().c_str())));
    if (!path.empty())
        selectFile(QString::fromStdString(path.substr(0, std::min<size_t>(path.size(), 260))));
    if (plat::ui::ModalHooks::runDialog(*this) != QDialog::Accepted || selectedFiles().isEmpty())
        return 0;
    path = selectedFiles().first().toStdString();
    m_saveFormat = FormatForPath(m_saveFormat, path);
    SaveStringPreference(kOpenSection, "Directory", MCGetFilePath(path).c_str());
    return 1;
}
