#include "rack/outside/plinthstore/FileChooser.h"

#include "platform/ui/dialog/FileDialogLayout.h"
#include "platform/ui/rackwindow/Window.h"

#include <QFileDialog>
#include <QStringList>

namespace rack {

namespace {

FileChooserHook& hook()
{
    static FileChooserHook installed;
    return installed;
}

// "Wave Files (*.wav)|*.wav|All Files (*)|*" as the dialog's filter list.
QString qtFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i].section('(', 0, 0).trimmed() + " (" + parts[i + 1] + ")";
    return filters.join(";;");
}

std::vector<std::string> showDialog(plat::ui::Window* owner, const FileRequest& request)
{
    QWidget* parent = owner ? owner->widget() : nullptr;
    const QString title = QString::fromStdString(request.title);
    QString start = QString::fromStdString(request.folder);
    if (!request.suggestedName.empty())
        start = start.isEmpty() ? QString::fromStdString(request.suggestedName)
                                : start + "/" + QString::fromStdString(request.suggestedName);
    // A dialog of our own rather than the static choosers, so that its columns fit their values.
    QFileDialog dialog(parent, title, start, qtFilter(request.filter));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save       ? QFileDialog::AnyFile
                       : request.multiple ? QFileDialog::ExistingFiles
                                          : QFileDialog::ExistingFile);
    plat::ui::FileDialogLayout::fit(dialog);
    std::vector<std::string> chosen;
    if (dialog.exec() != QDialog::Accepted)
        return chosen;
    for (const QString& file : dialog.selectedFiles()) {
        if (!file.isEmpty())
            chosen.push_back(file.toStdString());
    }
    return chosen;
}

}  // namespace

std::vector<std::string> FileChooser::choose(plat::ui::Window* owner, const FileRequest& request)
{
    return hook() ? hook()(owner, request) : showDialog(owner, request);
}

FileChooserHook FileChooser::setHook(FileChooserHook newHook)
{
    std::swap(newHook, hook());
    return newHook;
}

}  // namespace rack
