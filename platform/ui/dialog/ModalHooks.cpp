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
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <mutex>

namespace plat::ui {

namespace {

// Whether the desktop has a program for a web address. Opening one only starts the desktop's
// opener, which reports success as soon as it runs, whether or not anything can show the
// page: the browser named in the environment, else the desktop's default handler of the
// address's scheme, is looked for first. Where neither can be asked, the opener decides.
bool hasHandler(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme.isEmpty() || scheme == QLatin1String("file"))
        return true;
    for (const char* variable : {"DEFAULT_BROWSER", "BROWSER"}) {
        const QString named = qEnvironmentVariable(variable);
        for (const QString& entry : named.split(u':', Qt::SkipEmptyParts)) {
            const QString program = entry.trimmed().section(u' ', 0, 0);
            if (!program.isEmpty() && !QStandardPaths::findExecutable(program).isEmpty())
                return true;
        }
    }
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty())
        return true;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(query, {QStringLiteral("query"), QStringLiteral("default"), "x-scheme-handler/" + scheme});
    // A desktop that does not answer in time is left to the opener.
    constexpr int kAnswerMs = 3000;
    if (!process.waitForFinished(kAnswerMs)) {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kAnswerMs);
        }
        trace("no answer from %s about %s", qPrintable(query), qPrintable(scheme));
        return true;
    }
    return process.exitStatus() == QProcess::NormalExit && !process.readAllStandardOutput().trimmed().isEmpty();
}

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
        const QUrl url(QString::fromStdString(address));
        return hasHandler(url) && QDesktopServices::openUrl(url);
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
