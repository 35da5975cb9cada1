#include "rack/rackplayer/MidiDeck.h"

#include "rack/outside/plinthbase/MessageBoxes.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/outside/plinthtune/MidiPlayer.h"
#include "rack/outside/plinthtune/MidiPorts.h"
#include "rack/plinthart/DigitDisplay.h"
#include "rack/plinthart/GraphicCache.h"
#include "rack/plinthart/GraphicIds.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/plinthui/PlinthUi.h"
#include "rack/rackplayer/DeckControls.h"
#include "rack/rackplayer/DeckFiles.h"
#include "rack/rackplayer/DeckHandlers.h"
#include "rack/rackplayer/RackState.h"
#include "rack/rackplayer/WaveDeck.h"

#include "platform/ui/draw/Brush.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Cursor.h"
#include "platform/ui/rackwindow/Window.h"

#include <algorithm>
#include <vector>

namespace rack {

namespace {

using plat::ui::Window;
using plat::ui::kCommandMessage;

constexpr int kStrCaption = 512;
constexpr int kStrNoPlay = 528;
constexpr int kMeterLeft = 392;
constexpr int kMeterTop = 20;
constexpr int kMeterHeight = 31;
constexpr int kTempoHelpText = 90;

MidiDeckState g_state;

Window* deckWindow()
{
    return rackState().midiDeck;
}

MidiRecord* currentMidi()
{
    const RackState& state = rackState();
    return state.midiCount > 0 ? obj_GetMidi(0, state.currentMidi) : nullptr;
}

constexpr DeckFiles kFiles = {
    .kind = kObjMidi,
    .count = &RackState::midiCount,
    .current = &RackState::currentMidi,
    .deckState = &RackState::midiState,
    .load = obj_LoadMidi,
    .storeCount = obj_GetMidiCount,
    .empty = obj_EmptyMidi,
    .showLoaded = midi_ShowLoaded,
    .stop = midi_Stop,
};

void stopTimer(Window* deck)
{
    DeckControls::stopTimer(deck, kMidiDeckTimer, g_state.timerRunning);
}

void showBusy(Window* deck)
{
    g_state.paused = false;
    midi_Repaint(deck);
    DeckControls::showBusy(deck, true, kDeckMidi);
}

// The output is closed unless feed-through still passes input on to it.
void closeOutput()
{
    if (!rackState().midiFeedthru)
        mid_CloseOut();
}

void becomeIdle(Window* deck)
{
    stopTimer(deck);
    rackState().midiState = kDeckIdle;
    closeOutput();
    midi_ShowLoaded(deck);
}

// plinthtune plays the current file from the stored position; the tempo shows normal again.
bool playCurrent(Window* deck)
{
    const MidiRecord* midi = currentMidi();
    if (!midi || !mid_Play(deck, midi->path.c_str(), uint32_t(std::max(g_state.positionTenths, 0)) * 100, 0, 1,
                           kDeckCmdEnded))
        return false;
    g_state.tempoPosition = kTempoNormal;
    midi_Repaint(deck);
    return true;
}

void play(Window* deck)
{
    RackState& state = rackState();
    if (!kFiles.loadIfNone(deck))
        return;
    if (state.midiState != kDeckIdle)
        return;
    plat::ui::Cursor::setShape(plat::ui::CursorShape::wait);
    if (!mid_OpenOut(state.midiOutputDevice)) {
        plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
        MsgBox(deck, kStrNoPlay, kStrCaption, kMbOk | kMbIconStop);
        return;
    }
    if (!playCurrent(deck)) {
        closeOutput();
        state.midiState = kDeckIdle;
        plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
        MsgBox(deck, kStrNoPlay, kStrCaption, kMbOk | kMbIconStop);
        return;
    }
    state.midiState = kDeckPlaying;
    showBusy(deck);
    DeckControls::startTimer(deck, kMidiDeckTimer, kMidiDeckTimerMs, g_state.timerRunning);
    plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
}

void pause(Window* deck)
{
    if (rackState().midiState != kDeckPlaying)
        return;
    if (g_state.paused) {
        g_state.paused = false;
        if (!playCurrent(deck)) {
            midi_Stop(deck, true);
            return;
        }
        DeckControls::showPaused(deck, false);
        return;
    }
    g_state.paused = true;
    mid_Stop();
    DeckControls::showPaused(deck, true);
}

void scan(Window* deck, uint32_t command, intptr_t code)
{
    const RackState& state = rackState();
    if (code == kNotifyPress) {
        g_state.scanSpeed = 1;
        g_state.scanSteps = 0;
        if (state.midiState == kDeckPlaying && !g_state.paused) {
            mid_Stop();
            DeckControls::latchSlot(deck, kSlotPause, kLatchOn);
            g_state.scanning = true;
        }
    } else if (code == kNotifyRelease) {
        if (g_state.scanning) {
            g_state.scanning = false;
            DeckControls::latchSlot(deck, kSlotPause, kLatchOff);
            if (!playCurrent(deck))
                midi_Stop(deck, true);
        }
    } else if (code == kNotifyRepeat) {
        const MidiRecord* midi = currentMidi();
        if (!midi)
            return;
        DeckControls::scanRepeat(deck, command, g_state.scanSpeed, g_state.scanSteps, g_state.positionTenths,
                                 midi->lengthTenths);
    }
}

void skip(Window* deck, uint32_t command)
{
    RackState& state = rackState();
    if (state.midiCount == 0)
        return;
    bool resume = false;
    if (state.midiState == kDeckPlaying && !g_state.paused) {
        mid_Stop();
        resume = true;
    }
    state.currentMidi = DeckControls::skipIndex(command, state.currentMidi, state.midiCount, g_state.positionTenths);
    g_state.positionTenths = 0;
    if (resume) {
        if (!playCurrent(deck))
            midi_Stop(deck, true);
    } else if (g_state.paused) {
        midi_Repaint(deck);
    } else {
        midi_ShowLoaded(deck);
    }
}

void refresh(Window* deck)
{
    kFiles.refresh(deck);
}

void close(Window* deck)
{
    RackState& state = rackState();
    if (state.midiState != kDeckIdle || state.midiCount == 0)
        return;
    kFiles.closeCurrent(deck);
}

void dropFiles(Window* deck, const std::vector<std::string>& files)
{
    kFiles.drop(deck, files, kObjWave, wave_TakeFile);
}

void paintTimeAndMeter(Window* deck, plat::ui::DrawContext& dc)
{
    const RackState& state = rackState();
    if (!g_state.meterOn || g_state.meterBusy || g_state.timeBusy)
        return;
    g_state.meterBusy = g_state.timeBusy = true;
    int32_t tenths = g_state.positionTenths;
    if (const plat::ui::Bitmap* meter = GetGraphicPart(kPartMidiMeter))
        dc.blit(kMeterLeft, kMeterTop, meter->width(), meter->height(), *meter, 0, 0);
    MidiBitty bitty;
    if (state.midiState == kDeckPlaying && !g_state.paused && mid_PickupBitty(state.midiOutputDevice, bitty)) {
        const plat::ui::Bitmap* single = GetGraphicPart(kPartSingleMidiMeter);
        for (int channel = 0; channel < 16 && single; ++channel) {
            const int activity = std::clamp(int(bitty.activity[channel]), 0, 8);
            if (activity == 0)
                continue;
            const int x = kMeterLeft + 4 * channel + (channel >= 8 ? 5 : 0);
            dc.blit(x, kMeterTop, single->width(), single->height(), *single, 0, 0);
            dc.fillRect(QRect(x, kMeterTop, single->width(), kMeterHeight * (8 - activity) / 8),
                        plat::ui::Brush::stock(plat::ui::StockBrush::black));
        }
        tenths = bitty.positionMs / 100;
    }
    PaintTime(deck, &dc, kDeckTimeLeft, kDeckDigitsTop, tenths, state.midiCount > 0);
    g_state.positionTenths = tenths;
    g_state.meterBusy = g_state.timeBusy = false;
}

void paint(Window* deck)
{
    plat::ui::DrawContext dc = deck->beginPaint();
    const RackState& state = rackState();
    DeckControls::paintBackground(dc, deck, kPartMidiBackground);
    Paint_NN_Index(deck, &dc, kDeckIndexLeft, kDeckDigitsTop, state.currentMidi, state.midiCount > 0);
    paintTimeAndMeter(deck, dc);
    const MidiRecord* midi = currentMidi();
    DeckControls::paintName(dc, midi ? midi->path : std::string(), midi ? midi->lengthTenths : 0);
}

// The tempo drag and the tempo help, by the mouse.
void mouse(Window* deck, plat::ui::MessageId message, intptr_t lParam)
{
    const int x = int(int16_t(plat::ui::loWord(uintptr_t(lParam))));
    const int y = int(int16_t(plat::ui::hiWord(uintptr_t(lParam))));
    switch (message) {
    case plat::ui::kLeftButtonDownMessage:
        if (g_state.mouseMode == MidiMouseMode::none && x >= 77 && x <= 93 && y > g_state.tempoPosition + 17 &&
            y < g_state.tempoPosition + 25) {
            g_state.mouseMode = MidiMouseMode::tempoDrag;
            g_state.cursorPosition = plat::ui::Cursor::position();
            g_state.lastY = y;
            deck->setCapture();
            plat::ui::Cursor::show(false);
        }
        break;
    case plat::ui::kMouseMoveMessage:
        if (g_state.mouseMode == MidiMouseMode::tempoDrag && y != g_state.lastY) {
            g_state.tempoPosition = std::clamp(g_state.tempoPosition + y - g_state.lastY, 0, 30);
            g_state.lastY = y;
            mid_RateControl(kMidiRateTable[size_t(g_state.tempoPosition)]);
        }
        break;
    case plat::ui::kLeftButtonUpMessage:
        if (g_state.mouseMode == MidiMouseMode::tempoDrag) {
            g_state.mouseMode = MidiMouseMode::none;
            Window::releaseCapture();
            plat::ui::Cursor::show(true);
            plat::ui::Cursor::setPosition(g_state.cursorPosition);
        }
        break;
    case plat::ui::kRightButtonDownMessage:
        if (g_state.mouseMode == MidiMouseMode::none && x >= 63 && x <= 93 && y >= 18 && y <= 46) {
            g_state.mouseMode = MidiMouseMode::tempoHelp;
            g_state.cursorPosition = plat::ui::Cursor::position();
            deck->setCapture();
            ctl_ShowButtonInformation(deck, 62, -36, kTempoHelpText);
        }
        break;
    case plat::ui::kRightButtonUpMessage:
        if (g_state.mouseMode == MidiMouseMode::tempoHelp) {
            g_state.mouseMode = MidiMouseMode::none;
            Window::releaseCapture();
            ctl_ShowButtonInformation(deck, 0, 0, 0);
            plat::ui::Cursor::setPosition(g_state.cursorPosition);
        }
        break;
    default: break;
    }
}

intptr_t onCreate(Window* deck)
{
    g_state = MidiDeckState();
    DeckControls::createStrip(deck);
    DeckControls::createButton(deck, "+A", kDeckCmdPlaylist, QRect(9, 38, 43, 19), 31);
    DeckControls::createLoopButton(deck, kMidiCmdLoop, rackState().midiLoop);
    kFiles.attach(deck);
    return 0;
}

void onCommand(Window* deck, uint32_t command, intptr_t code)
{
    switch (command) {
    case kDeckCmdPlaylist: kFiles.editList(deck); break;
    case kDeckCmdClose: close(deck); break;
    case kDeckCmdEnded: midi_Stop(deck, code != 0); break;
    default: break;
    }
}

constexpr DeckHandlers kHandlers = {
    .kind = kObjMidi,
    .stopTimer = stopTimer,
    .paint = paint,
    .repaint = midi_Repaint,
    .refresh = refresh,
    .dropFiles = dropFiles,
    .play = play,
    .pause = pause,
    .stop = [](Window* deck) { midi_Stop(deck, true); },
    .scan = scan,
    .skip = skip,
    .loopCommand = kMidiCmdLoop,
    .loop = &RackState::midiLoop,
    .command = onCommand,
};

}  // namespace

MidiDeckState& midiDeckState()
{
    return g_state;
}

intptr_t Win_MidiDeck(Window* window, plat::ui::MessageId message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case plat::ui::kCreateMessage: return onCreate(window);
    case plat::ui::kTimerMessage:
        if (wParam == kMidiDeckTimer && !g_state.scanning && !g_state.paused) {
            plat::ui::DrawContext dc = window->drawContext();
            paintTimeAndMeter(window, dc);
        }
        return 0;
    case plat::ui::kLeftButtonDownMessage:
    case plat::ui::kLeftButtonUpMessage:
    case plat::ui::kMouseMoveMessage:
    case plat::ui::kRightButtonDownMessage:
    case plat::ui::kRightButtonUpMessage: mouse(window, message, lParam); return 0;
    default: return kHandlers.dispatch(window, message, wParam, lParam);
    }
}

void midi_Repaint(Window* deck)
{
    if (!deck)
        deck = deckWindow();
    DeckControls::repaint(deck);
}

void midi_ShowLoaded(Window* deck, bool enableSkip)
{
    if (!deck)
        deck = deckWindow();
    const RackState& state = rackState();
    DeckControls::showLoaded(deck, state.midiState, state.midiCount > 0, enableSkip, kDeckMidi);
}

void midi_Stop(Window* deck, bool forGood)
{
    if (!deck)
        deck = deckWindow();
    RackState& state = rackState();
    if (!Window::isWindow(deck) || state.midiState != kDeckPlaying)
        return;
    if (g_state.paused) {
        DeckControls::latchSlot(deck, kSlotPause, kLatchOff);
        g_state.paused = false;
    }
    g_state.scanning = false;
    g_state.positionTenths = 0;
    mid_Stop();
    if (!forGood) {
        ++state.currentMidi;
        bool playOn = true;
        if (state.currentMidi >= state.midiCount) {
            state.currentMidi = 0;
            playOn = state.midiLoop;
        }
        if (playOn && playCurrent(deck))
            return;
    }
    becomeIdle(deck);
}

bool midi_TakeFile(const std::string& path)
{
    return kFiles.take(deckWindow(), path);
}

}  // namespace rack
