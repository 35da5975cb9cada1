#include "interface/dialogs/MCWaveSaveDlg.h"

#include "interface/core/InterfaceModule.h"
#include "interface/core/MCPaths.h"
#include "interface/dialogs/MCWaveOpenDlg.h"

#include "notabase/prefs/Preferences.h"
#include "platform/core/Strings.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/FileDialogLayout.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QFileInfo>

MCWaveSaveDlg::MCWaveSaveDlg(QWidget* parent) : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    plat::ui::FileDialogLayout::fit(*this);
}

bool MCWaveSaveDlg::DoSave(std::string& file)
{
    QString suffix;
    setNameFilter(MCWaveOpenDlg::FilterOf(InterfaceModule::String(11773), &suffix));
    setDefaultSuffix(suffix);
    setWindowTitle(QString::fromStdString(InterfaceModule::String(11770)));
    setLabelText(QFileDialog::Accept, QString::fromStdString(InterfaceModule::String(11771)));
    setDirectory(QString::fromStdString(LoadStringPreference("Settings\\Open", "WaveDirectory", MCGetAppPath().c_str())));
    if (plat::ui::ModalHooks::runDialog(*this) != QDialog::Accepted || selectedFiles().isEmpty())
        return false;
    file = selectedFiles().first().toStdString();
    SaveStringPreference("Settings\\Open", "WaveDirectory", MCGetFilePath(file).c_str());
    return true;
}

void MCWaveSaveDlg::accept()
{
    const QStringList chosen = selectedFiles();
    if (!chosen.isEmpty()) {
        const QFileInfo info(chosen.first());
        if (!info.isDir() && !info.absoluteDir().exists()) {
            plat::UserPrompt::ask({windowTitle().toStdString(),
                                   plat::format("The folder \"%s\" does not exist.", info.absolutePath().toStdString().c_str()),
                                   plat::UserPrompt::Buttons::ok, plat::UserPrompt::Icon::warning, std::nullopt});
            return;
        }
    }
    QFileDialog::accept();
}
