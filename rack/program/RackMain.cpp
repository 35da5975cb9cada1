// The rack player: a stereo rack of a wave, a MIDI and a CD deck with a mixer.

#include "rack/rackplayer/RackCommandLine.h"
#include "rack/rackplayer/RackFrame.h"
#include "rack/rackplayer/RackStartup.h"

#include "platform/core/Paths.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/window/DisplayLoss.h"
#include "platform/ui/window/EventLoop.h"

#include <QApplication>
#include <QMessageBox>

#include <string>
#include <vector>

namespace {

// Messages of the rack's libraries are shown as message boxes of the active window.
plat::UserPrompt::Answer showMessage(const plat::UserPrompt::Message& message)
{
    using Answer = plat::UserPrompt::Answer;
    using Buttons = plat::UserPrompt::Buttons;
    using Icon = plat::UserPrompt::Icon;
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(message.caption));
    box.setText(QString::fromStdString(message.text));
    switch (message.icon) {
    case Icon::error: box.setIcon(QMessageBox::Critical); break;
    case Icon::question: box.setIcon(QMessageBox::Question); break;
    case Icon::warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::information: box.setIcon(QMessageBox::Information); break;
    case Icon::none: break;
    }
    const std::vector<std::pair<QMessageBox::StandardButton, Answer>> all = {
        {QMessageBox::Ok, Answer::ok},       {QMessageBox::Cancel, Answer::cancel}, {QMessageBox::Abort, Answer::abort},
        {QMessageBox::Retry, Answer::retry}, {QMessageBox::Ignore, Answer::ignore}, {QMessageBox::Yes, Answer::yes},
        {QMessageBox::No, Answer::no}};
    std::vector<Answer> shown;
    switch (message.buttons) {
    case Buttons::ok: shown = {Answer::ok}; break;
    case Buttons::okCancel: shown = {Answer::ok, Answer::cancel}; break;
    case Buttons::abortRetryIgnore: shown = {Answer::abort, Answer::retry, Answer::ignore}; break;
    case Buttons::yesNoCancel: shown = {Answer::yes, Answer::no, Answer::cancel}; break;
    case Buttons::yesNo: shown = {Answer::yes, Answer::no}; break;
    case Buttons::retryCancel: shown = {Answer::retry, Answer::cancel}; break;
    }
    const Answer preferred = plat::UserPrompt::defaultAnswer(message);
    for (const auto& [button, answer] : all)
        if (std::find(shown.begin(), shown.end(), answer) != shown.end()) {
            box.addButton(button);
            if (answer == preferred)
                box.setDefaultButton(button);
        }
    const int clicked = box.exec();
    for (const auto& [button, answer] : all)
        if (clicked == button)
            return answer;
    return shown.back();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // The frame ends the program itself, after its decks have stopped.
    QApplication::setQuitOnLastWindowClosed(false);
    plat::UserPrompt::setHook(showMessage);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!rack::rack_Startup(rack::RackCommandLine::join(arguments), plat::paths::programPath()))
        return 0;
    int code = 0;
    {
        // A display that goes away under the rack ends it as the end of a session does: a
        // recording in progress is finished and the rack's settings are written.
        const plat::ui::DisplayLoss displayLoss([] { rack::rack_EndSession(); });
        code = plat::ui::EventLoop::run();
    }
    rack::rack_Shutdown();
    return code;
}
