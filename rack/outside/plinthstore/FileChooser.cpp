#include "rack/outside/plinthstore/FileChooser.h"

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
    std::vector<std::string> chosen;
    if (request.save) {
        const QString file = QFileDialog::getSaveFileName(parent, title, start, qtFilter(request.filter));
        if (!file.isEmpty())
            chosen.push_back(file.toStdString());
    } else if (request.multiple) {
        for (const QString& file : QFileDialog::getOpenFileNames(parent, title, start, qtFilter(request.filter)))
            chosen.push_back(file.toStdString());
    } else {
        const QString file = QFileDialog::getOpenFileName(parent, title, start, qtFilter(request.filter));
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
