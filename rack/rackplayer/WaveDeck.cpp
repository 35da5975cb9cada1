#include "rack/rackplayer/WaveDeck.h"

#include "rack/outside/plinthbase/BaseStrings.h"
#include "rack/outside/plinthbase/MessageBoxes.h"
#include "rack/outside/plinthbase/TextFit.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/plinthart/DigitDisplay.h"
#include "rack/plinthart/GraphicCache.h"
#include "rack/plinthart/GraphicIds.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/rackplayer/DeckControls.h"
#include "rack/rackplayer/DeckFiles.h"
#include "rack/rackplayer/DeckHandlers.h"
#include "rack/rackplayer/MidiDeck.h"
#include "rack/rackplayer/RackState.h"
#include "rack/rackplayer/wave/WaveEngine.h"

#include "platform/ui/draw/Brush.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Cursor.h"
#include "platform/ui/rackwindow/Window.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace rack {

namespace {

using plat::ui::Window;
using plat::ui::kCommandMessage;

constexpr int kStrNoInput = 513;
constexpr int kStrNoOutput = 514;
constexpr int kStrCannotPlay = 1404;
constexpr int kStrCaption = 512;
constexpr int kStrRecordOver = 1298;
constexpr int kStrRecordOverCaption = 314;
constexpr int kStrSaveBeforeClose = 1296;
constexpr int kStrSaveCaption = 1264;
constexpr int kAnswerCancel = 2;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;
constexpr int kMeterLeft = 434;
constexpr int kMeterTop = 20;
constexpr int kMeterHeight = 31;
constexpr uint32_t kFrameRecordingSetup = 178;

WaveDeckState g_state;
// The key of the wave a recording runs into, so the record it leaves behind is replaced
// by the wave the recording became.
int32_t g_recordingKey = 0;

Window* deckWindow()
{
    return rackState().waveDeck;
}

WaveRecord* currentWave()
{
    const RackState& state = rackState();
    return state.waveCount > 0 ? obj_GetWave(0, state.currentWave) : nullptr;
}

constexpr DeckFiles kFiles = {
    .kind = kObjWave,
    .count = &RackState::waveCount,
    .current = &RackState::currentWave,
    .deckState = &RackState::waveState,
    .load = obj_LoadWave,
    .storeCount = obj_GetWaveCount,
    .empty = obj_EmptyWave,
    .showLoaded = wave_ShowLoaded,
    .stop = wave_Stop,
};

// A pause ends: the slot neither latched nor blinking (a recording waits blinking).
void unlatchPause(Window* deck)
{
    DeckControls::latchSlot(deck, kSlotPause, kLatchOff);
    DeckControls::blinkSlot(deck, kSlotPause, false);
}

void startTimer(Window* deck)
{
    DeckControls::startTimer(deck, kWaveDeckTimer, kWaveDeckTimerMs, g_state.timerRunning);
}

void stopTimer(Window* deck)
{
    DeckControls::stopTimer(deck, kWaveDeckTimer, g_state.timerRunning);
}

void showBusy(Window* deck)
{
    const RackState& state = rackState();
    const bool recording = state.waveState == kDeckRecording;
    wave_Repaint(deck);
    DeckControls::latchButton(deck, kWaveCmdRecord, recording ? kLatchOn : kLatchOff);
    DeckControls::enableButton(deck, kWaveCmdRecord, recording);
    DeckControls::showBusy(deck, !recording, kDeckWave);
}

void becomeIdle(Window* deck)
{
    stopTimer(deck);
    rackState().waveState = kDeckIdle;
    wave_ShowLoaded(deck);
}

// Plays the current wave from the stored position; false when the engine refuses.
bool playCurrent(Window* deck)
{
    const WaveRecord* wave = currentWave();
    if (!wave || wave->length <= 0)
        return false;
    const int64_t perSecond = int64_t(wave->format.samplesPerSec) * wave->format.channels;
    const int64_t start = perSecond * (g_state.positionTenths / 10) + perSecond / 10 * (g_state.positionTenths % 10);
    return wdrv_Play(deck, kWaveMapper, *wave, int32_t(std::min<int64_t>(start, INT32_MAX)), 0, 0, kDeckCmdEnded) == 0;
}

// Says that the current wave did not start when it has sound the engine refused (its file gone
// or damaged), so a press that starts nothing is not left unexplained.
void sayNotPlayed(Window* deck)
{
    if (const WaveRecord* wave = currentWave(); wave && wave->length > 0) {
        plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
        SpfMsgBox(deck, kStrCannotPlay, wave->path, kStrCaption, kMbOk | kMbIconStop);
    }
}

void play(Window* deck)
{
    RackState& state = rackState();
    if (!kFiles.loadIfNone(deck))
        return;
    plat::ui::Cursor::setShape(plat::ui::CursorShape::wait);
    if (wdrv_CanOpen(kWaveMapper, kWaveOutput) != 1) {
        plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
        MsgBox(deck, kStrNoOutput, kStrCaption, kMbOk | kMbIconStop);
        return;
    }
    if (playCurrent(deck)) {
        state.waveState = kDeckPlaying;
        g_state.paused = g_state.restart = false;
        showBusy(deck);
        startTimer(deck);
    } else {
        sayNotPlayed(deck);
    }
    plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
}

void recordingEnded(Window* deck, int index)
{
    RackState& state = rackState();
    if (state.waveState != kDeckRecording)
        return;
    if (g_state.paused) {
        unlatchPause(deck);
        g_state.paused = false;
    }
    if (index == -1)
        index = wdrv_Stop(g_recordingKey);
    // The wave recorded into is now the wave the recording became: the record it started
    // from goes.
    const WaveRecord* made = obj_GetWave(0, index);
    const int32_t madeKey = made ? made->key : 0;
    if (madeKey != g_recordingKey)
        obj_EmptyWave(1, g_recordingKey);
    g_recordingKey = 0;
    index = -1;
    for (int i = 0; i < obj_GetWaveCount(); ++i)
        if (obj_GetWave(0, i)->key == madeKey)
            index = i;
    state.currentWave = std::max(index, 0);
    g_state.positionTenths = 0;
    stopTimer(deck);
    state.waveState = kDeckIdle;
    state.waveCount = obj_GetWaveCount();
    wave_ShowLoaded(deck);
}

void record(Window* deck)
{
    RackState& state = rackState();
    if (state.waveState == kDeckRecording && g_state.paused) {
        g_state.paused = false;
        wdrv_Pause(g_recordingKey, 0);
        unlatchPause(deck);
        return;
    }
    if (state.waveState != kDeckIdle)
        return;
    if (wdrv_CanOpen(kWaveMapper, kWaveInput) != 1) {
        MsgBox(deck, kStrNoInput, kStrCaption, kMbOk | kMbIconStop);
        return;
    }
    WaveRecord* wave = currentWave();
    if (wave && wave->length > 0) {
        const int answer = SpfMsgBox(deck, kStrRecordOver, GetFilenameName(wave->name), kStrRecordOverCaption,
                                     kMbYesNo | kMbIconStop);
        if (answer == kAnswerNo)
            wave = nullptr;
        else
            obj_FillWaveDataBlock(wave, 0, 0, 0);
    }
    if (!wave) {
        state.currentWave = obj_NewWave(state.frame);
        state.waveCount = obj_GetWaveCount();
        wave = currentWave();
        if (!wave)
            return;
    }
    g_recordingKey = wave->key;
    if (wdrv_Record(deck, kWaveMapper, *wave, kWaveCmdRecordEnded, 1) != 0) {
        obj_EmptyWave(1, g_recordingKey);
        g_recordingKey = 0;
        kFiles.recount();
        wave_ShowLoaded(deck);
        return;
    }
    state.waveState = kDeckRecording;
    state.waveCount = std::max(state.waveCount, 1);
    showBusy(deck);
    g_state.paused = true;
    DeckControls::latchSlot(deck, kSlotPause, kLatchOn);
    DeckControls::blinkSlot(deck, kSlotPause, true);
    startTimer(deck);
}

void pause(Window* deck)
{
    RackState& state = rackState();
    const WaveRecord* wave = currentWave();
    if (!wave || state.waveState == kDeckIdle)
        return;
    const int32_t key = state.waveState == kDeckRecording ? g_recordingKey : wave->key;
    if (g_state.paused) {
        g_state.paused = false;
        unlatchPause(deck);
        if (state.waveState == kDeckRecording) {
            wdrv_Pause(key, 0);
            return;
        }
        if (g_state.restart) {
            g_state.restart = false;
            wdrv_Stop(key);
            if (!playCurrent(deck)) {
                becomeIdle(deck);
                return;
            }
        } else {
            wdrv_Pause(key, 0);
        }
        DeckControls::enableSlot(deck, kSlotPrevious, true);
        DeckControls::enableSlot(deck, kSlotNext, true);
        return;
    }
    g_state.paused = true;
    g_state.restart = false;
    wdrv_Pause(key, 1);
    DeckControls::showPaused(deck, true);
}

void scan(Window* deck, uint32_t command, intptr_t code)
{
    RackState& state = rackState();
    const WaveRecord* wave = currentWave();
    if (code == kNotifyPress) {
        g_state.scanSpeed = 1;
        g_state.scanSteps = 0;
        if (state.waveState == kDeckPlaying && wave) {
            g_state.positionTenths = g_state.paintedTenths;
            g_state.restart = g_state.paused;
            if (!g_state.paused) {
                wdrv_Stop(wave->key);
                g_state.scanning = true;
                DeckControls::latchSlot(deck, kSlotPause, kLatchOff);
            }
        }
    } else if (code == kNotifyRelease) {
        if (g_state.scanning) {
            g_state.scanning = false;
            DeckControls::latchSlot(deck, kSlotPause, kLatchOff);
            if (!playCurrent(deck))
                becomeIdle(deck);
        }
    } else if (code == kNotifyRepeat && wave) {
        const int64_t perTenth = std::max<int64_t>(1, int64_t(wave->format.samplesPerSec) * wave->format.channels / 10);
        DeckControls::scanRepeat(deck, command, g_state.scanSpeed, g_state.scanSteps, g_state.positionTenths,
                                 int32_t(wave->length / perTenth));
    }
}

void skip(Window* deck, uint32_t command)
{
    RackState& state = rackState();
    if (state.waveCount == 0 || state.waveState == kDeckRecording)
        return;
    bool resume = false;
    if (state.waveState == kDeckPlaying && !g_state.paused) {
        if (const WaveRecord* wave = currentWave())
            wdrv_Stop(wave->key);
        resume = true;
    }
    state.currentWave = DeckControls::skipIndex(command, state.currentWave, state.waveCount, g_state.paintedTenths);
    g_state.positionTenths = 0;
    g_state.paintedTenths = 0;
    if (resume) {
        if (!playCurrent(deck)) {
            becomeIdle(deck);
            sayNotPlayed(deck);
        }
        wave_Repaint(deck);
    } else if (g_state.paused) {
        wave_Repaint(deck);
    } else {
        wave_ShowLoaded(deck);
    }
}

void refresh(Window* deck)
{
    kFiles.refresh(deck);
}

void close(Window* deck)
{
    RackState& state = rackState();
    const WaveRecord* wave = currentWave();
    if (state.waveState != kDeckIdle || !wave)
        return;
    if (obj_GetState(0, wave) == 1) {
        const int answer = SpfMsgBox(deck, kStrSaveBeforeClose, GetFilenameName(wave->name), kStrSaveCaption,
                                     kMbYesNoCancel | kMbIconStop);
        if (answer == kAnswerCancel)
            return;
        if (answer == kAnswerYes && obj_SaveWave(deck, 0, state.currentWave, 0) != 0)
            return;
    }
    kFiles.closeCurrent(deck);
}

void dropFiles(Window* deck, const std::vector<std::string>& files)
{
    kFiles.drop(deck, files, kObjMidi, midi_TakeFile);
}

void paintTimeAndMeter(Window* deck, plat::ui::DrawContext& dc)
{
    if (g_state.meterBusy || g_state.timeBusy)
        return;
    g_state.meterBusy = g_state.timeBusy = true;
    const RackState& state = rackState();
    const WaveRecord* wave = currentWave();
    WaveStatus status;
    const int32_t key = state.waveState == kDeckRecording ? g_recordingKey : wave ? wave->key : 0;
    const bool running = state.waveState != kDeckIdle && wdrv_GetStatus(key, status) == 0;
    if (plat::ui::Bitmap* meter = GetGraphicPart(kPartWaveMeter)) {
        plat::ui::DrawContext meterDc(*meter);
        const int32_t peaks[2] = {std::abs(status.leftPeak), std::abs(status.rightPeak)};
        for (int channel = 0; channel < 2; ++channel) {
            // Without a sound under way nothing is heard: the column is dark, not at full scale.
            int cover = kMeterHeight;
            if (running && status.fullScale > 0) {
                const int32_t level = std::min(peaks[channel], status.fullScale);
                cover = int(int64_t(status.fullScale - level) * kMeterHeight / status.fullScale);
            }
            meterDc.fillRect(QRect(channel * 16, 0, 9, cover), plat::ui::Brush::stock(plat::ui::StockBrush::black));
        }
        dc.blit(kMeterLeft, kMeterTop, meter->width(), meter->height(), *meter, 0, 0);
    }
    const int32_t tenths = running ? status.elapsedMs / 100 : g_state.scanning ? g_state.positionTenths : 0;
    PaintTime(deck, &dc, kDeckTimeLeft, kDeckDigitsTop, tenths, state.waveCount > 0);
    g_state.paintedTenths = tenths;
    g_state.meterBusy = g_state.timeBusy = false;
}

void paint(Window* deck)
{
    plat::ui::DrawContext dc = deck->beginPaint();
    const RackState& state = rackState();
    DeckControls::paintBackground(dc, deck, kPartWaveBackground);
    Paint_NN_Index(deck, &dc, kDeckIndexLeft, kDeckDigitsTop, state.currentWave, state.waveCount > 0);
    const WaveRecord* wave = currentWave();
    std::string name;
    int32_t lengthTenths = 0;
    if (wave && wave->name != GetString(kStrUnnamedRecording, 30)) {
        name = wave->name;
        const int64_t perTenth = int64_t(wave->format.samplesPerSec) * wave->format.channels / 10;
        lengthTenths = perTenth > 0 ? int32_t(wave->length / perTenth) : 0;
    }
    DeckControls::paintName(dc, name, lengthTenths);
    paintTimeAndMeter(deck, dc);
}

intptr_t onCreate(Window* deck)
{
    g_state = WaveDeckState();
    DeckControls::createButton(deck, "+B", kWaveCmdRecord, QRect(365, 34, 34, 24));
    DeckControls::createStrip(deck);
    DeckControls::createButton(deck, "+R", kWaveCmdRecordSetup, QRect(365, 11, 34, 18));
    DeckControls::createButton(deck, "+A", kDeckCmdPlaylist, QRect(9, 38, 43, 19), 92);
    DeckControls::createLoopButton(deck, kWaveCmdLoop, rackState().waveLoop);
    kFiles.attach(deck);
    return 0;
}

void onCommand(Window* deck, uint32_t command, intptr_t code)
{
    RackState& state = rackState();
    switch (command) {
    case kDeckCmdPlaylist: kFiles.editList(deck); break;
    case kDeckCmdClose: close(deck); break;
    case kDeckCmdSave: obj_SaveWave(deck, 0, state.currentWave, 1); break;
    case kWaveCmdRecord: record(deck); break;
    case kDeckCmdEnded: wave_Stop(deck, false); break;
    case kWaveCmdRecordEnded: recordingEnded(deck, int(code)); break;
    case kWaveCmdRecordSetup:
        if (Window::isWindow(state.frame))
            state.frame->post(kCommandMessage, kFrameRecordingSetup, 0);
        break;
    default: break;
    }
}

constexpr DeckHandlers kHandlers = {
    .kind = kObjWave,
    .stopTimer = stopTimer,
    .paint = paint,
    .repaint = wave_Repaint,
    .refresh = refresh,
    .dropFiles = dropFiles,
    .play = play,
    .pause = pause,
    .stop = [](Window* deck) { wave_Stop(deck, true); },
    .scan = scan,
    .skip = skip,
    .loopCommand = kWaveCmdLoop,
    .loop = &RackState::waveLoop,
    .command = onCommand,
};

}  // namespace

WaveDeckState& waveDeckState()
{
    return g_state;
}

intptr_t Win_WaveDeck(Window* window, plat::ui::MessageId message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case plat::ui::kCreateMessage: return onCreate(window);
    case plat::ui::kTimerMessage: {
        const RackState& state = rackState();
        if (wParam == kWaveDeckTimer && !g_state.scanning && !(state.waveState == kDeckPlaying && g_state.paused)) {
            plat::ui::DrawContext dc = window->drawContext();
            paintTimeAndMeter(window, dc);
        }
        return 0;
    }
    default: return kHandlers.dispatch(window, message, wParam, lParam);
    }
}

void wave_Repaint(Window* deck)
{
    if (!deck)
        deck = deckWindow();
    DeckControls::repaint(deck);
}

void wave_ShowLoaded(Window* deck, bool enableSkip)
{
    if (!deck)
        deck = deckWindow();
    const RackState& state = rackState();
    if (!DeckControls::showLoaded(deck, state.waveState, state.waveCount > 0, enableSkip, kDeckWave))
        return;
    DeckControls::enableButton(deck, kWaveCmdRecord, true);
    DeckControls::latchButton(deck, kWaveCmdRecord, kLatchOff);
}

bool wave_TakeFile(const std::string& path)
{
    return kFiles.take(deckWindow(), path);
}

void wave_Stop(Window* deck, bool forGood)
{
    if (!deck)
        deck = deckWindow();
    RackState& state = rackState();
    const WaveRecord* wave = currentWave();
    if (!Window::isWindow(deck) || state.waveState == kDeckIdle || (!wave && state.waveState != kDeckRecording))
        return;
    if (g_state.paused) {
        unlatchPause(deck);
        g_state.paused = false;
    }
    if (state.waveState == kDeckRecording) {
        recordingEnded(deck, -1);
        return;
    }
    wdrv_Stop(wave->key);
    g_state.positionTenths = 0;
    g_state.scanning = false;
    if (forGood) {
        becomeIdle(deck);
        return;
    }
    ++state.currentWave;
    if (state.currentWave >= state.waveCount) {
        state.currentWave = 0;
        if (!state.waveLoop) {
            becomeIdle(deck);
            return;
        }
    }
    for (int tried = 0; tried < state.waveCount; ++tried) {
        if (playCurrent(deck)) {
            wave_Repaint(deck);
            return;
        }
        state.currentWave = state.currentWave + 1 >= state.waveCount ? 0 : state.currentWave + 1;
    }
    becomeIdle(deck);
}

}  // namespace rack
