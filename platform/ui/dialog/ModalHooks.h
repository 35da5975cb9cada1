#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <functional>
#include <optional>
#include <string>

class QAction;
class QDialog;
class QMenu;
class QPoint;
class QWidget;

namespace plat::ui {

// Everything that waits for the user in a window of its own, or leaves the program, goes
// through one of these hooks: running a dialog, choosing a file or a colour, a help request,
// opening a web address. The defaults do the real thing; tests install hooks that answer.
// (Message boxes go through plat::UserPrompt; installMessageBoxes() makes it show them.)
class PLATUI_API ModalHooks {
public:
    struct FileRequest {
        QWidget* parent = nullptr;
        std::string caption;
        std::string folder;
        // "Wave Files (*.wav);;All Files (*)".
        std::string filter;
        bool save = false;
    };

    struct Hooks {
        // The dialog's result (QDialog::Accepted or Rejected).
        std::function<int(QDialog&)> runDialog;
        std::function<std::optional<std::string>(const FileRequest&)> chooseFile;
        std::function<std::optional<ColorRef>(ColorRef initial, QWidget* parent)> chooseColor;
        std::function<void(const std::string& context)> help;
        // Whether the address was handed to a program that shows it; by default false when
        // the desktop has no program for the address's scheme.
        std::function<bool(const std::string& address)> openUrl;
        // Shows a popup menu at a screen position until the user picks or leaves; the picked
        // action, or null.
        std::function<QAction*(QMenu& menu, const QPoint& at)> popupMenu;
    };

    static int runDialog(QDialog& dialog);
    static std::optional<std::string> chooseFile(const FileRequest& request);
    static std::optional<ColorRef> chooseColor(ColorRef initial, QWidget* parent);
    static void help(const std::string& context);
    static bool openUrl(const std::string& address);
    static QAction* popupMenu(QMenu& menu, const QPoint& at);

    // Replaces the hooks that are set in hooks; returns all of them as they were.
    static Hooks install(const Hooks& hooks);
    // Message boxes of plat::UserPrompt shown as QMessageBox dialogs, run through runDialog.
    static void installMessageBoxes();

    // Installs hooks for its lifetime; scopes nest.
    class Scoped {
    public:
        explicit Scoped(const Hooks& hooks) : m_previous(install(hooks)) {}
        ~Scoped();
        Scoped(const Scoped&) = delete;
        Scoped& operator=(const Scoped&) = delete;

    private:
        Hooks m_previous;
    };
};

}  // namespace plat::ui
