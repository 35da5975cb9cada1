#include "rack/rackplayer/RackStartup.h"

#include "rack/outside/plinthbase/BaseStrings.h"
#include "rack/outside/plinthbase/MessageBoxes.h"
#include "rack/outside/plinthbase/ProgramStart.h"
#include "rack/outside/plinthfade/MixerBand.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/outside/plinthtune/MidiPorts.h"
#include "rack/plinthart/GraphicCache.h"
#include "rack/plinthart/PlinthProfile.h"
#include "rack/plinthui/PlinthUi.h"
#include "rack/rackplayer/CdDeck.h"
#include "rack/rackplayer/MidiDeck.h"
#include "rack/rackplayer/WaveDeck.h"
#include "rack/rackplayer/GlobalAtoms.h"
#include "rack/rackplayer/RackCommandLine.h"
#include "rack/rackplayer/RackFrame.h"
#include "rack/rackplayer/RackProfile.h"
#include "rack/rackplayer/RackState.h"
#include "rack/rackplayer/wave/WaveEngine.h"

#include "platform/core/Trace.h"
#include "platform/ui/window/InstanceChannel.h"
#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/rackwindow/WindowClass.h"
#include "platform/ui/rackwindow/WindowMessage.h"

#include <QApplication>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <optional>

namespace rack {

namespace {

constexpr const char* kDeckClasses[] = {kWaveDeckClass, kMidiDeckClass, kCdDeckClass};
constexpr int kStrCannotOpenNamed = 1403;

// The channel the running copy answers other copies on.
std::unique_ptr<plat::ui::InstanceChannel>& channel()
{
    static std::unique_ptr<plat::ui::InstanceChannel> instance;
    return instance;
}

// Answers at once: opening a file may show a message box, so it is queued for the event
// loop, and the other copy hears back before any box opens.
std::string answerCopy(const std::string& request)
{
    plat::ui::Window* frame = rackState().frame;
    if (!plat::ui::Window::isWindow(frame))
        return "NO";
    if (request.starts_with(kRequestOpen)) {
        const uint16_t atom = GlobalAtoms::add(std::string_view(request).substr(kRequestOpen.size()));
        if (atom == 0)
            return "NO";
        frame->post(plat::ui::kCommandMessage, kCmdOpenNamedFile, atom);
        return "OK";
    }
    if (request == kRequestInitCd) {
        frame->post(plat::ui::kCommandMessage, kCmdInitializeCd, 0);
        return "OK";
    }
    if (request == kRequestShow) {
        QWidget* widget = frame->widget();
        if (widget->isMinimized())
            widget->showNormal();
        widget->raise();
        // A modal box of the rack's stays above the frame and keeps the keyboard.
        QWidget* modal = QApplication::activeModalWidget();
        QWidget* front = modal ? modal : widget;
        front->raise();
        front->activateWindow();
        return "OK";
    }
    return "NO";
}

std::string absolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path whole = std::filesystem::absolute(path, error);
    return error ? path : whole.string();
}

void registerClasses()
{
    using plat::ui::Brush;
    using plat::ui::StockBrush;
    using plat::ui::WindowClass;
    WindowClass::registerClass(
        {.name = kFrameClass, .proc = Win_RackFrame, .background = Brush::stock(StockBrush::black)});
    WindowClass::registerClass(
        {.name = kWaveDeckClass, .proc = Win_WaveDeck, .background = Brush::stock(StockBrush::lightGray)});
    WindowClass::registerClass(
        {.name = kMidiDeckClass, .proc = Win_MidiDeck, .background = Brush::stock(StockBrush::lightGray)});
    WindowClass::registerClass({.name = kCdDeckClass, .proc = Win_CdDeck, .background = std::nullopt});
}

}  // namespace

std::string rack_InstanceKey()
{
    // Copies that share a profile are one rack.
    return std::string(kFrameClass) + "/" + GetString(kStrWindowTitle, 128) + "/" + PlinthProfile::path();
}

int rack_Startup(std::string_view commandLine, std::string_view programPath)
{
    RackState& state = rackState();
    state.closeText.clear();
    state.exitCommand.clear();
    state.secondCopy = false;
    state.pendingAtom = 0;
    state.frame = state.mixer = state.waveDeck = state.midiDeck = state.cdDeck = nullptr;
    state.midiOutputDevice = -1;
    state.mixerHeight = 105;

    const std::string key = rack_InstanceKey();
    const RackCommandLine parsed = RackCommandLine::parse(commandLine);
    state.secondCopy = parsed.secondCopy;
    state.autoPlay = parsed.autoPlay;
    state.closeText = parsed.closeText;
    state.exitCommand = parsed.exitCommand;
    if (!parsed.fileName.empty() && !parsed.secondCopy) {
        // The running copy works in a folder of its own: a name relative to this copy's folder
        // is made whole before it is handed over.
        const std::string fileName = absolutePath(parsed.fileName);
        // The running copy opens the file before this one goes on.
        if (!plat::ui::InstanceChannel::send(key, std::string(kRequestOpen) + fileName))
            state.pendingAtom = GlobalAtoms::add(fileName);
    }

    if (!parsed.secondCopy && plat::ui::InstanceChannel::isRunning(key)) {
        if (parsed.playFirst)
            plat::ui::InstanceChannel::send(key, kRequestInitCd);
        plat::ui::InstanceChannel::send(key, kRequestShow);
        if (state.pendingAtom != 0) {
            GlobalAtoms::remove(state.pendingAtom);
            state.pendingAtom = 0;
        }
        return 0;
    }

    RackProfile::readStartup(state);
    RackProfile::writeRunStereo(programPath);

    ctl_Initialize();
    mix_Initialize();
    grp_Initialize();
    obj_Initialize();
    wdrv_Initialize();
    mid_Initialize();

    registerClasses();
    if (!rack_CreateFrame()) {
        plat::trace("rack_Startup -- the frame could not be made");
        return 0;
    }
    if (!parsed.secondCopy) {
        channel() = std::make_unique<plat::ui::InstanceChannel>(key);
        if (!channel()->listen(answerCopy))
            channel().reset();
    }
    return 1;
}

void rack_Shutdown()
{
    RackState& state = rackState();
    GWShutDown();
    channel().reset();
    if (state.pendingAtom != 0) {
        GlobalAtoms::remove(state.pendingAtom);
        state.pendingAtom = 0;
    }
    RackProfile::writeShutdown(state);
    // Feed-through ends while the MIDI library still runs: it closes its devices itself.
    if (state.midiFeedthru) {
        state.midiFeedthru = false;
        mid_CloseIn();
        mid_CloseOut();
    }
    ctl_Terminate();
    mix_Terminate();
    obj_Terminate();
    wdrv_Terminate();
    mid_Terminate();
    grp_Terminate();
    plat::ui::WindowClass::unregisterClass(kFrameClass);
    for (const char* deckClass : kDeckClasses)
        plat::ui::WindowClass::unregisterClass(deckClass);
    if (!state.exitCommand.empty())
        RunCommandLine(state.exitCommand);
}

void rack_OpenNamedFile(plat::ui::Window* frame, uint16_t atom)
{
    const std::optional<std::string> name = GlobalAtoms::name(atom);
    if (!name)
        return;
    RackState& state = rackState();
    switch (obj_GetType(*name)) {
    case kObjWave:
        if (state.waveState == kDeckPlaying) {
            MsgBox(frame, 521, 0, kMbOk | kMbIconExclamation);
        } else if (state.waveState == kDeckRecording) {
            MsgBox(frame, 522, 0, kMbOk | kMbIconExclamation);
        } else if (const int index = obj_LoadWave(frame, name->c_str()); index != -1) {
            state.currentWave = index;
            state.waveCount = obj_GetWaveCount();
            wave_ShowLoaded();
        }
        break;
    case kObjMidi:
        if (state.midiState == kDeckPlaying) {
            MsgBox(frame, 523, 0, kMbOk | kMbIconExclamation);
        } else if (const int index = obj_LoadMidi(frame, name->c_str()); index != -1) {
            state.currentMidi = index;
            state.midiCount = obj_GetMidiCount();
            midi_ShowLoaded();
        }
        break;
    default:
        // A file handed over is the user's choice: one that cannot be opened is said, not passed over.
        SpfMsgBox(frame, kStrCannotOpenNamed, *name, kStrWindowTitle, kMbOk | kMbIconExclamation);
        break;
    }
    GlobalAtoms::remove(atom);
}

}  // namespace rack
