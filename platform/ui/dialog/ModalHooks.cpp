#include "platform/ui/dialog/ModalHooks.h"

#include "platform/ui/dialog/FileDialogLayout.h"

#include "platform/core/Trace.h"
#include "platform/core/UserPrompt.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>

#include <mutex>

namespace plat::ui {

namespace {

ModalHooks::Hooks defaults()
{
    ModalHooks::Hooks hooks;
    hooks.runDialog = [](QDialog& dialog) { return dialog.exec(); };
    // The chooser runs as a dialog of its own, so that its columns fit and a test that answers
    // dialogs sees it.
    hooks.chooseFile = [](const ModalHooks::FileRequest& request) -> std::optional<std::string> {
        QFileDialog dialog(request.parent, QString::fromStdString(request.caption),
                           QString::fromStdString(request.folder), QString::fromStdString(request.filter));
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        FileDialogLayout::fit(dialog);
        if (ModalHooks::runDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString chosen = dialog.selectedFiles().constFirst();
        if (chosen.isEmpty())
            return std::nullopt;
        return chosen.toStdString();
    };
    hooks.chooseColor = [](ColorRef initial, QWidget* parent) -> std::optional<ColorRef> {
        const QColor chosen = QColorDialog::getColor(toQColor(initial), parent);
        if (!chosen.isValid())
            return std::nullopt;
        return fromQColor(chosen);
    };
    hooks.help = [](const std::string& context) { trace("help requested: %s", context.c_str()); };
    hooks.openUrl = [](const std::string& address) {
        return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
    };
    hooks.popupMenu = [](QMenu& menu, const QPoint& at) { return menu.exec(at); };
    return hooks;
}

ModalHooks::Hooks& current()
{
    static ModalHooks::Hooks hooks = defaults();
    return hooks;
}

QMessageBox::StandardButtons buttonsOf(UserPrompt::Buttons buttons)
{
    switch (buttons) {
    case UserPrompt::Buttons::ok: return QMessageBox::Ok;
    case UserPrompt::Buttons::okCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case UserPrompt::Buttons::abortRetryIgnore: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case UserPrompt::Buttons::yesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case UserPrompt::Buttons::yesNo: return QMessageBox::Yes | QMessageBox::No;
    case UserPrompt::Buttons::retryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton buttonOf(UserPrompt::Answer answer)
{
    switch (answer) {
    case UserPrompt::Answer::ok: return QMessageBox::Ok;
    case UserPrompt::Answer::cancel: return QMessageBox::Cancel;
    case UserPrompt::Answer::abort: return QMessageBox::Abort;
    case UserPrompt::Answer::retry: return QMessageBox::Retry;
    case UserPrompt::Answer::ignore: return QMessageBox::Ignore;
    case UserPrompt::Answer::yes: return QMessageBox::Yes;
    case UserPrompt::Answer::no: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon iconOf(UserPrompt::Icon icon)
{
    switch (icon) {
    case UserPrompt::Icon::error: return QMessageBox::Critical;
    case UserPrompt::Icon::question: return QMessageBox::Question;
    case UserPrompt::Icon::warning: return QMessageBox::Warning;
    case UserPrompt::Icon::information: return QMessageBox::Information;
    case UserPrompt::Icon::none: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

int ModalHooks::runDialog(QDialog& dialog)
{
    return current().runDialog(dialog);
}

std::optional<std::string> ModalHooks::chooseFile(const FileRequest& request)
{
    return current().chooseFile(request);
}

std::optional<ColorRef> ModalHooks::chooseColor(ColorRef initial, QWidget* parent)
{
    return current().chooseColor(initial, parent);
}

void ModalHooks::help(const std::string& context)
{
    current().help(context);
}

bool ModalHooks::openUrl(const std::string& address)
{
    return current().openUrl(address);
}

QAction* ModalHooks::popupMenu(QMenu& menu, const QPoint& at)
{
    return current().popupMenu(menu, at);
}

ModalHooks::Hooks ModalHooks::install(const Hooks& hooks)
{
    Hooks previous = current();
    if (hooks.runDialog)
        current().runDialog = hooks.runDialog;
    if (hooks.chooseFile)
        current().chooseFile = hooks.chooseFile;
    if (hooks.chooseColor)
        current().chooseColor = hooks.chooseColor;
    if (hooks.help)
        current().help = hooks.help;
    if (hooks.openUrl)
        current().openUrl = hooks.openUrl;
    if (hooks.popupMenu)
        current().popupMenu = hooks.popupMenu;
    return previous;
}

void ModalHooks::installMessageBoxes()
{
    UserPrompt::setHook([](const UserPrompt::Message& message) {
        QMessageBox box(iconOf(message.icon), QString::fromStdString(message.caption),
                        QString::fromStdString(message.text), buttonsOf(message.buttons));
        const UserPrompt::Answer fallback = UserPrompt::defaultAnswer(message);
        box.setDefaultButton(buttonOf(fallback));
        if (runDialog(box) < 0)
            return fallback;
        QAbstractButton* clicked = box.clickedButton();
        if (!clicked)
            return fallback;
        for (int answer = int(UserPrompt::Answer::ok); answer <= int(UserPrompt::Answer::no); ++answer) {
            if (box.button(buttonOf(UserPrompt::Answer(answer))) == clicked)
                return UserPrompt::Answer(answer);
        }
        return fallback;
    });
}

ModalHooks::Scoped::~Scoped()
{
    current() = m_previous;
}

}  // namespace plat::ui
