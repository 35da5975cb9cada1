#include "rack/rackplayer/RackFrame.h"

#include "rack/outside/plinthbase/BaseStrings.h"
#include "rack/outside/plinthbase/MessageBoxes.h"
#include "rack/outside/plinthbase/ProgramStart.h"
#include "rack/outside/plinthfade/MixerBand.h"
#include "rack/outside/plinthopen/MidiEditorLink.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/outside/plinthtune/MidiPorts.h"
#include "rack/plinthart/GraphicCache.h"
#include "rack/plinthart/GraphicIds.h"
#include "rack/plinthart/PlinthProfile.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/rackplayer/CdDeck.h"
#include "rack/rackplayer/DeckControls.h"
#include "rack/rackplayer/MidiDeck.h"
#include "rack/rackplayer/WaveDeck.h"
#include "rack/rackplayer/MidiInputDialog.h"
#include "rack/rackplayer/RackBands.h"
#include "rack/rackplayer/RackMenu.h"
#include "rack/rackplayer/RackProfile.h"
#include "rack/rackplayer/RackStartup.h"
#include "rack/rackplayer/RackState.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Cursor.h"
#include "platform/ui/window/EventLoop.h"
#include "platform/ui/window/Menu.h"
#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/rackwindow/WindowStyle.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QSessionManager>
#include <QWidget>

#include <algorithm>
#include <array>

namespace rack {

namespace {

using plat::ui::Window;
using plat::ui::kCommandMessage;

constexpr int kToolbarButtonWidth = 61;
constexpr int kToolbarButtonHeight = 22;
constexpr int kToolbarButtonTop = 7;
constexpr int kMixerButtonLeft = 171;
constexpr int kDeckButtonLeft = 241;
constexpr int kDeckButtonStep = 70;
constexpr QPoint kLogoPosition(510, 6);
constexpr int kStrWaveEditor = 577;
constexpr int kStrNoWaveEditor = 581;
constexpr int kStrWaveEditorFailed = 582;

// The toolbar buttons, by band: mixer, wave, MIDI, CD.
std::array<Window*, 4>& toolbarButtons()
{
    static std::array<Window*, 4> buttons{};
    return buttons;
}

DialogRunner& dialogRunner()
{
    static DialogRunner runner;
    return runner;
}

int runDialog(QDialog& dialog)
{
    return dialogRunner() ? dialogRunner()(dialog) : dialog.exec();
}

Window* buttonOf(uint32_t command)
{
    const uint32_t index = command - kCmdMixer;
    return index < 4 ? toolbarButtons()[index] : nullptr;
}

void latchButton(uint32_t command, bool down)
{
    if (Window* button = buttonOf(command); Window::isWindow(button))
        button->send(kCommandMessage, kControlLatch, intptr_t(down ? kLatchOn : kLatchOff));
}

plat::ui::Menu* frameMenu()
{
    Window* frame = rackState().frame;
    return Window::isWindow(frame) ? frame->menu() : nullptr;
}

Window* deckOf(uint32_t command)
{
    RackState& state = rackState();
    switch (command) {
    case kCmdWave: return state.waveDeck;
    case kCmdMidi: return state.midiDeck;
    case kCmdCd: return state.cdDeck;
    default: return nullptr;
    }
}

bool& shownFlag(uint32_t command)
{
    RackState& state = rackState();
    switch (command) {
    case kCmdToolbar: return state.showToolbar;
    case kCmdMixer: return state.showMixer;
    case kCmdWave: return state.showWave;
    case kCmdMidi: return state.showMidi;
    default: return state.showCd;
    }
}

int topOf(uint32_t command)
{
    const RackState& state = rackState();
    switch (command) {
    case kCmdMixer: return state.mixerTop;
    case kCmdWave: return state.waveTop;
    case kCmdMidi: return state.midiTop;
    default: return state.cdTop;
    }
}

void postDeck(Window* deck, uint32_t command)
{
    if (Window::isWindow(deck))
        deck->post(kCommandMessage, command, 0);
}

// Moves the shown decks from first on to their tops; a hidden deck keeps size 0.
void moveDecks(uint32_t first)
{
    for (uint32_t command = first; command <= kCmdCd; ++command)
        if (Window* deck = deckOf(command); Window::isWindow(deck) && shownFlag(command))
            deck->move(QRect(0, topOf(command), kBandWidth, kDeckHeight));
}

void applyOnTop(bool show)
{
    RackState& state = rackState();
    state.frame->setTopmost(state.onTop);
    if (show)
        state.frame->show(true);
    rack_CheckMenu(state.frame, nullptr, kCmdOnTop, state.onTop);
    RackProfile::writeOnTop(state.onTop);
}

void showToolbar()
{
    RackState& state = rackState();
    state.showToolbar = !state.showToolbar;
    for (Window* button : toolbarButtons())
        if (Window::isWindow(button))
            button->show(state.showToolbar);
    rack_LayoutBands();
    if (state.showMixer && Window::isWindow(state.mixer)) {
        state.mixer->move(QRect(0, state.mixerTop, kBandWidth, state.mixerHeight));
        state.mixer->invalidate();
    }
    moveDecks(kCmdWave);
    rack_FitFrame();
    rack_CheckMenu(state.frame, nullptr, kCmdToolbar, state.showToolbar);
}

// Stops a deck for good.
void stopDeck(uint32_t command)
{
    RackState& state = rackState();
    switch (command) {
    case kCmdWave: wave_Stop(state.waveDeck, true); break;
    case kCmdMidi: midi_Stop(state.midiDeck, true); break;
    case kCmdCd: cd_Stop(state.cdDeck, true, true, kCdStopKindSuccess); break;
    default: break;
    }
}

// Shows or hides the mixer or a deck.
void toggleBand(uint32_t command)
{
    RackState& state = rackState();
    const bool isMixer = command == kCmdMixer;
    Window* band = isMixer ? state.mixer : deckOf(command);
    if (!isMixer)
        stopDeck(command);
    bool& shown = shownFlag(command);
    shown = !shown;
    latchButton(command, shown);
    rack_LayoutBands();
    if (Window::isWindow(band)) {
        if (shown) {
            band->move(QRect(0, topOf(command), kBandWidth, isMixer ? state.mixerHeight : kDeckHeight));
            band->show(true);
            band->invalidate();
        } else {
            band->move(QRect(0, 0, 0, 0));
            band->show(false);
        }
    }
    moveDecks(isMixer ? kCmdWave : command + 1);
    rack_FitFrame();
    rack_CheckMenu(state.frame, nullptr, command, shown);
}

void toggleLoop(uint32_t command)
{
    RackState& state = rackState();
    bool& loop = command == kCmdWaveLoop ? state.waveLoop : command == kCmdMidiLoop ? state.midiLoop : state.cdLoop;
    loop = !loop;
    rack_CheckMenu(state.frame, nullptr, command, loop);
    Window* deck = deckOf(command - (kCmdWaveLoop - kCmdWave));
    if (!Window::isWindow(deck))
        return;
    deck->invalidate();
    // The deck's own loop control has the command's id.
    for (Window* control : deck->children())
        if (control->id() == command)
            control->send(kCommandMessage, kControlLatch, intptr_t(loop ? kLatchOn : kLatchOff));
}

void runWaveEditor()
{
    RackState& state = rackState();
    const WaveRecord* wave = state.waveCount > 0 ? obj_GetWave(0, state.currentWave) : nullptr;
    const std::string name = wave ? wave->path : std::string();
    if (state.waveState != kDeckIdle)
        wave_Stop(state.waveDeck, true);
    if (RunProgram("RunWaveEditor", name.c_str(), 1) != 0)
        return;
    plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
    const std::string editor = PlinthProfile::getString("Setup", "RunWaveEditor", "", 1024);
    if (editor.empty())
        SpfMsgBox(state.frame, kStrNoWaveEditor, PlinthProfile::path(), kStrWaveEditor, kMbOk | kMbIconExclamation);
    else
        SpfMsgBox(state.frame, kStrWaveEditorFailed, editor, kStrWaveEditor, kMbOk | kMbIconStop);
}

void runMidiEditor()
{
    if (ms_Query() != 0)
        return;
    RackState& state = rackState();
    std::string name;
    if (state.midiCount > 0) {
        const MidiRecord* midi = obj_GetMidi(0, state.currentMidi);
        if (!midi)
            return;
        name = midi->path;
    }
    if (state.midiFeedthru) {
        state.midiFeedthru = false;
        rack_SetFeedthru();
    }
    if (state.midiState == kDeckPlaying)
        midi_Stop(state.midiDeck, true);
    if ((ms_OpenMidiFile(name) & 0xFFFF) != 0) {
        plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
        MsgBox(state.frame, 580, 576, kMbOk | kMbIconStop);
        return;
    }
    if (state.midiCount > 0) {
        obj_EmptyMidi(0, state.currentMidi);
        state.midiCount = obj_GetMidiCount();
        state.currentMidi = 0;
        midi_ShowLoaded();
    }
}

void runMidiInputDialog()
{
    RackState& state = rackState();
    MidiInputDialog dialog(state.frame->widget(), state.midiInputDevice, state.midiFeedthru);
    if (runDialog(dialog) != QDialog::Accepted)
        return;
    state.midiInputDevice = dialog.device();
    if (dialog.feedthru() != state.midiFeedthru) {
        state.midiFeedthru = dialog.feedthru();
        rack_SetFeedthru();
    }
}

void paintToolbar(Window* frame)
{
    plat::ui::DrawContext dc = frame->beginPaint();
    const plat::ui::Bitmap* panel = GetGraphicPart(kPartTopPanel);
    if (!panel)
        return;
    dc.selectPalette(GetGraphicPalette());
    dc.realizePalette();
    dc.blit(0, 0, frame->clientRect().width(), kToolbarHeight, *panel, 0, 0);
    if (const plat::ui::Bitmap* logo = GetGraphicPart(kPartOemLogo))
        dc.blit(kLogoPosition.x(), kLogoPosition.y(), logo->width(), logo->height(), *logo, 0, 0);
}

void createToolbar(Window* frame)
{
    RackState& state = rackState();
    toolbarButtons() = {};
    const bool present[4] = {true, state.hasWave, state.hasMidi, state.hasCd};
    const char* looks[4] = {"*A", "*B", "*C", "*D"};
    int x = kDeckButtonLeft;
    for (int i = 0; i < 4; ++i) {
        if (!present[i])
            continue;
        const int left = i == 0 ? kMixerButtonLeft : x;
        if (i > 0)
            x += kDeckButtonStep;
        toolbarButtons()[size_t(i)] =
            Window::create(kPrettyButtonClass, looks[i], plat::ui::style::kChild | plat::ui::style::kVisible,
                           QRect(left, kToolbarButtonTop, kToolbarButtonWidth, kToolbarButtonHeight), frame,
                           kCmdMixer + uint32_t(i));
        if (!state.showToolbar && toolbarButtons()[size_t(i)])
            toolbarButtons()[size_t(i)]->show(false);
    }
}

void createBands(Window* frame)
{
    using namespace plat::ui::style;
    RackState& state = rackState();
    const MixerCreateBlock block{kBandWidth, state.mixerHeight, 1, 0};
    state.mixer = Window::create(kMixerBandClass, "", kChild, QRect(0, 0, 0, 0), frame, 0, &block);
    if (state.mixer)
        state.mixerHeight = int(plat::ui::hiWord(uintptr_t(state.mixer->send(kCommandMessage, kMixerHeightCommand))));
    state.waveDeck = Window::create(kWaveDeckClass, "", kChild, QRect(0, 0, 0, 0), frame, kDeckWave);
    state.midiDeck = Window::create(kMidiDeckClass, "", kChild, QRect(0, 0, 0, 0), frame, kDeckMidi);
    state.cdDeck = Window::create(kCdDeckClass, "", kChild, QRect(0, 0, 0, 0), frame, kDeckCd);
    rack_FitFrame();
    rack_LayoutBands();
    for (const uint32_t command : {kCmdMixer, kCmdWave, kCmdMidi, kCmdCd}) {
        Window* band = command == kCmdMixer ? state.mixer : deckOf(command);
        if (!Window::isWindow(band) || !shownFlag(command))
            continue;
        band->move(QRect(0, topOf(command), kBandWidth, command == kCmdMixer ? state.mixerHeight : kDeckHeight));
        latchButton(command, true);
    }
    const bool shown[] = {state.showMixer, state.showWave, state.showMidi, state.showCd};
    Window* bands[] = {state.mixer, state.waveDeck, state.midiDeck, state.cdDeck};
    for (size_t i = 0; i < std::size(bands); ++i)
        if (Window::isWindow(bands[i])) {
            // A hidden band keeps size 0 and stays off the screen.
            bands[i]->show(shown[i]);
            bands[i]->update();
        }
}

intptr_t onCreate(Window* frame)
{
    RackState& state = rackState();
    state.frame = frame;
    plat::ui::Cursor::setShape(plat::ui::CursorShape::wait);
    frame->setMenu(RackMenu::build());
    applyOnTop(false);
    RackMenu::trim(*frame->menu(), state, ms_Query() == 0);
    createToolbar(frame);
    createBands(frame);
    if (state.pendingAtom != 0) {
        frame->post(kCommandMessage, kCmdOpenNamedFile, state.pendingAtom);
        state.pendingAtom = 0;
    }
    if (state.autoPlay)
        frame->post(kCommandMessage, kCmdAutoPlay, 0);
    if (state.midiFeedthru)
        rack_SetFeedthru();
    DoRealizePalette(frame, 1);
    plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
    return 0;
}

// Stops the decks for good before the frame closes.
void closeDecks()
{
    RackState& state = rackState();
    cd_Stop(state.cdDeck, true, state.cdStopsAtExit, kCdStopKindSuccess);
    midi_Stop(state.midiDeck, true);
    wave_Stop(state.waveDeck, true);
}

void onCommand(Window* frame, uint32_t command, intptr_t lParam)
{
    RackState& state = rackState();
    switch (command) {
    case kCmdOpenWave: postDeck(state.waveDeck, kDeckPlaylistEditor); break;
    case kCmdCloseWave: postDeck(state.waveDeck, kDeckClose); break;
    case kCmdSaveWave: postDeck(state.waveDeck, kDeckSave); break;
    case kCmdOpenMidi: postDeck(state.midiDeck, kDeckPlaylistEditor); break;
    case kCmdCloseMidi: postDeck(state.midiDeck, kDeckClose); break;
    case kCmdInitializeCd: postDeck(state.cdDeck, kDeckInitializeCd); break;
    case kCmdExit: frame->post(plat::ui::kCloseMessage); break;
    case kCmdWaveEditor: runWaveEditor(); break;
    case kCmdMidiEditor: runMidiEditor(); break;
    case kCmdPlaylistEditor: RunProgram("RunPlayer", nullptr, 1); break;
    case kCmdToolbar: showToolbar(); break;
    case kCmdMixer:
    case kCmdWave:
    case kCmdMidi:
    case kCmdCd: toggleBand(command); break;
    case kCmdWaveLoop:
    case kCmdMidiLoop:
    case kCmdCdLoop: toggleLoop(command); break;
    case kCmdMidiInput: runMidiInputDialog(); break;
    case kCmdRecordingSetup: obj_RecordSetupDialog(frame); break;
    case kCmdHelpContents: ShowHelp(frame, 3, 0); break;
    case kCmdHelpRack: ShowHelp(frame, 1, 1); break;
    case kCmdAbout: AboutDialog(frame, 1); break;
    case kCmdOpenNamedFile: rack_OpenNamedFile(frame, uint16_t(lParam)); break;
    case kCmdAutoPlay: frame->setTimer(kAutoPlayTimer, 100); break;
    case kCmdOnTop:
        state.onTop = !state.onTop;
        applyOnTop(true);
        break;
    default: break;
    }
}

// The frame's rectangle, moved onto the screen nearest to it when no screen shows any of
// it (a position stored with a screen that is gone), and kept inside that screen.
QRect onAvailableScreen(const QRect& rect)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    QRect best;
    long long nearest = -1;
    for (const QScreen* screen : screens) {
        const QRect area = screen->availableGeometry();
        if (area.intersects(rect))
            return rect;
        const QPoint centre = area.center() - rect.topLeft();
        const long long distance = (long long)centre.x() * centre.x() + (long long)centre.y() * centre.y();
        if (nearest < 0 || distance < nearest) {
            nearest = distance;
            best = area;
        }
    }
    if (best.isEmpty())
        return rect;
    QRect moved = rect;
    moved.moveLeft(std::clamp(rect.left(), best.left(), std::max(best.left(), best.right() + 1 - rect.width())));
    moved.moveTop(std::clamp(rect.top(), best.top(), std::max(best.top(), best.bottom() + 1 - rect.height())));
    return moved;
}

}  // namespace

bool rack_CreateFrame()
{
    RackState& state = rackState();
    RackProfile::readBands(state);
    rack_LayoutBands();
    const QPoint location = RackProfile::windowLocation();
    // The menu bar's height joins once the menu is set: rack_FitFrame settles the height.
    Window* frame = Window::create(
        kFrameClass, GetString(kStrWindowTitle), 0,
        onAvailableScreen(QRect(location, QSize(kFrameClientWidth, BandLayout::compute(state).total + 1))), nullptr);
    if (!frame)
        return false;
    // The desktop's end of session, answered on the frame's behalf.
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, frame->widget(),
                     [](QSessionManager&) { rack_EndSession(); });
    frame->show(true);
    frame->update();
    return true;
}

intptr_t Win_RackFrame(Window* window, plat::ui::MessageId message, uintptr_t wParam, intptr_t lParam)
{
    using namespace plat::ui;
    RackState& state = rackState();
    switch (message) {
    case kCreateMessage:
        return onCreate(window);
    case kPaintMessage:
        paintToolbar(window);
        return 0;
    case kCommandMessage:
        onCommand(window, loWord(wParam), lParam);
        return 0;
    case kMoveMessage:
        if (!window->widget()->isMinimized())
            RackProfile::writeWindowLocation(window->windowRect().topLeft());
        return 0;
    case kSetFocusMessage:
        DoRealizePalette(window, 1);
        return 0;
    case kKeyDownMessage:
        // Only the first press of F1 asks for help; F1 goes no further.
        if (wParam == kKeyF1) {
            if (!(uintptr_t(lParam) & (1u << 30)))
                ShowHelp(window, 3, 0);
            return 0;
        }
        return defWindowProc(window, message, wParam, lParam);
    case kTimerMessage:
        if (wParam == kAutoPlayTimer) {
            postDeck(state.cdDeck, kDeckPlay);
            window->killTimer(kAutoPlayTimer);
        }
        return 0;
    case kCloseMessage:
        closeDecks();
        return defWindowProc(window, message, wParam, lParam);
    case kDestroyMessage:
        state.frame = state.mixer = state.waveDeck = state.midiDeck = state.cdDeck = nullptr;
        toolbarButtons() = {};
        EventLoop::postQuit(0);
        return 0;
    default:
        return defWindowProc(window, message, wParam, lParam);
    }
}

bool rack_EndSession()
{
    RackState& state = rackState();
    if (!Window::isWindow(state.frame))
        return true;
    closeDecks();
    RackProfile::writeShutdown(state);
    return true;
}

int rack_RunDialog(QDialog& dialog)
{
    return runDialog(dialog);
}

void rack_SetDeckLoaded(int deck, bool loaded)
{
    if (deck < kDeckWave || deck > kDeckCd)
        return;
    RackState& state = rackState();
    bool& stored = state.deckMenuEnabled[size_t(deck - kDeckWave)];
    if (stored == loaded)
        return;
    stored = loaded;
    if (plat::ui::Menu* menu = frameMenu())
        RackMenu::enableDeckItems(*menu, state, deck, loaded);
}

void rack_CheckMenu(Window* window, plat::ui::Menu* menu, uint32_t id, bool on)
{
    if (!menu && Window::isWindow(window))
        menu = window->menu();
    if (menu)
        menu->checkItem(id, on);
}

void rack_LayoutBands()
{
    RackState& state = rackState();
    const BandLayout layout = BandLayout::compute(state);
    state.mixerTop = layout.mixerTop;
    state.waveTop = layout.waveTop;
    state.midiTop = layout.midiTop;
    state.cdTop = layout.cdTop;
}

void rack_FitFrame()
{
    Window* frame = rackState().frame;
    if (!Window::isWindow(frame))
        return;
    const QRect outer = frame->windowRect();
    const QMargins margins = frame->nonClientMargins();
    const int height = margins.top() + margins.bottom() + BandLayout::compute(rackState()).total + 1;
    // The rack has the size of its bands: the user does not resize it.
    frame->widget()->setFixedSize(outer.width(), height);
    frame->move(QRect(outer.left(), outer.top(), outer.width(), height));
}

void rack_SetFeedthru()
{
    RackState& state = rackState();
    // The output is shared with the MIDI deck: while the deck plays on it, it stays open as it is.
    const bool deckPlays = state.midiState == kDeckPlaying && mid_IsOutOpen();
    if (!state.midiFeedthru) {
        mid_CloseIn();
        if (!deckPlays)
            mid_CloseOut();
        return;
    }
    if (!mid_OpenIn(state.frame, state.midiInputDevice)) {
        state.midiFeedthru = false;
        MsgBox(state.frame, 517, 315, kMbOk | kMbIconStop);
        return;
    }
    if (!deckPlays && !mid_OpenOut(state.midiOutputDevice)) {
        mid_CloseIn();
        state.midiFeedthru = false;
        MsgBox(state.frame, 518, 315, kMbOk | kMbIconStop);
    }
}

DialogRunner rack_SetDialogRunner(DialogRunner runner)
{
    std::swap(runner, dialogRunner());
    return runner;
}

}  // namespace rack
