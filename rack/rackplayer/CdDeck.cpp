#include "rack/rackplayer/CdDeck.h"

#include "rack/outside/plinthstore/CdStore.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/plinthart/DigitDisplay.h"
#include "rack/plinthart/GraphicIds.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/rackplayer/CdPlaylistDialog.h"
#include "rack/rackplayer/DeckControls.h"
#include "rack/rackplayer/DeckHandlers.h"
#include "rack/rackplayer/RackState.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/timer/UiTimers.h"
#include "platform/ui/rackwindow/Window.h"

#include <algorithm>

namespace rack {

namespace {

using plat::ui::Window;
using plat::ui::kCommandMessage;

CdDeckState g_state;

Window* deckWindow()
{
    return rackState().cdDeck;
}

int trackAt(int position)
{
    return obj_Xlate_Index(position);
}

const CdTrackRecord* currentTrack()
{
    return obj_GetCD(0, trackAt(g_state.position));
}

void stopTimer(Window* deck)
{
    DeckControls::stopTimer(deck, kCdPlayTimer, g_state.timerRunning);
}

void showBusy(Window* deck)
{
    g_state.paused = false;
    DeckControls::latchSlot(deck, kSlotPause, kLatchOff);
    cd_Repaint(deck);
    DeckControls::showBusy(deck, true, kDeckCd);
}

void becomeIdle(Window* deck)
{
    stopTimer(deck);
    rackState().cdState = kDeckIdle;
    cd_ShowLoaded(deck);
}

bool playCurrent(Window* deck)
{
    const CdTrackRecord* track = currentTrack();
    if (!track || !obj_PlayCD(deck, track, g_state.elapsedTenths / 10))
        return false;
    g_state.startTick = plat::ui::UiTimers::tickCount();
    g_state.startTenths = g_state.elapsedTenths;
    return true;
}

void play(Window* deck)
{
    RackState& state = rackState();
    if (state.cdState != kDeckIdle)
        return;
    if (g_state.playCount == 0) {
        obj_LoadCD(deck);
        g_state.playCount = obj_GetCDPlayCount();
        cd_ShowLoaded(deck);
        if (g_state.playCount == 0)
            return;
    }
    if (!playCurrent(deck))
        return;
    state.cdState = kDeckPlaying;
    showBusy(deck);
    DeckControls::startTimer(deck, kCdPlayTimer, kCdTimerMs, g_state.timerRunning);
}

void pause(Window* deck)
{
    if (rackState().cdState != kDeckPlaying)
        return;
    if (g_state.paused) {
        DeckControls::latchSlot(deck, kSlotPause, kLatchOff);
        if (playCurrent(deck))
            g_state.paused = false;
        else
            cd_Stop(deck, true, true, kCdStopKindSuccess);
        return;
    }
    DeckControls::latchSlot(deck, kSlotPause, kLatchOn);
    if (obj_StopCD(deck, 1, 1))
        g_state.paused = true;
}

void next(Window* deck, uint32_t command)
{
    RackState& state = rackState();
    if (g_state.playCount == 0)
        return;
    if (state.cdState == kDeckPlaying && !g_state.paused) {
        cd_Stop(deck, true, true, kCdStopKindSuccess);
        g_state.resume = true;
    }
    g_state.position = DeckControls::skipIndex(command, g_state.position, g_state.playCount, g_state.elapsedTenths);
    g_state.elapsedTenths = 0;
    if (g_state.resume) {
        g_state.resume = false;
        play(deck);
    } else if (g_state.paused) {
        cd_Repaint(deck);
    } else {
        cd_ShowLoaded(deck);
    }
}

void scan(Window* deck, uint32_t command, intptr_t code)
{
    const RackState& state = rackState();
    if (code == kNotifyPress) {
        g_state.scanSpeed = 1;
        g_state.scanSteps = 0;
        if (state.cdState == kDeckPlaying && !g_state.paused) {
            pause(deck);
            g_state.resume = true;
        }
    } else if (code == kNotifyRelease) {
        if (g_state.resume) {
            pause(deck);
            g_state.resume = false;
        }
    } else if (code == kNotifyRepeat) {
        const CdTrackRecord* track = currentTrack();
        if (!track)
            return;
        DeckControls::scanRepeat(deck, command, g_state.scanSpeed, g_state.scanSteps, g_state.elapsedTenths,
                                 track->lengthTenths);
    }
}

void trackEnded(Window* deck, uintptr_t code)
{
    if (code == kMciSuccessful) {
        if (rackState().cdLoop) {
            cd_Stop(deck, false, true, kCdStopKindSuccess);
            return;
        }
        if (g_state.position >= g_state.playCount - 1)
            cd_Stop(deck, true, true, kCdStopKindSuccess);
        next(deck, kSlotNext);
    } else if (code == kMciFailure) {
        cd_Stop(deck, true, true, kCdStopKindFailure);
    }
}

void eject(Window* deck)
{
    int32_t door = kCdDoorRequest;
    if (!obj_SetCDDoor(deck, &door))
        return;
    if (door != 0) {
        obj_EmptyCD(0, 0);
        g_state.elapsedTenths = 0;
        g_state.playCount = obj_GetCDPlayCount();
        cd_ShowLoaded(deck);
    } else {
        deck->setTimer(kCdDoorTimer, kCdTimerMs);
    }
}

void refresh(Window* deck)
{
    if (rackState().cdState == kDeckPlaying)
        cd_Stop(deck, true, true, kCdStopKindSuccess);
    const int count = obj_GetCDPlayCount();
    if (count != g_state.playCount)
        g_state.position = 0;
    g_state.playCount = count;
    cd_ShowLoaded(deck);
}

void paintTime(Window* deck, plat::ui::DrawContext& dc)
{
    if (g_state.timeBusy)
        return;
    g_state.timeBusy = true;
    PaintTime(deck, &dc, kDeckTimeLeft, kDeckDigitsTop, g_state.elapsedTenths, g_state.playCount != 0);
    g_state.timeBusy = false;
}

void paint(Window* deck)
{
    plat::ui::DrawContext dc = deck->beginPaint();
    DeckControls::paintBackground(dc, deck, kPartCdBackground);
    const CdTrackRecord* track = currentTrack();
    DeckControls::paintName(dc, track ? track->name : std::string(), track ? track->lengthTenths : 0);
    const int index = trackAt(g_state.position);
    Paint_NN_Index(deck, &dc, kDeckIndexLeft, kDeckDigitsTop, index >= 0 ? index : g_state.position,
                   g_state.playCount != 0);
    paintTime(deck, dc);
}

intptr_t onCreate(Window* deck)
{
    g_state = CdDeckState();
    const RackState& state = rackState();
    DeckControls::createStrip(deck);
    if (state.cdCloseProtocol)
        DeckControls::createButton(deck, "!A", kCdCmdEject, QRect(365, 34, 34, 24), 47);
    else
        DeckControls::createButton(deck, "!A", kCdCmdEject, QRect(364, 35, 34, 24));
    DeckControls::createButton(deck, "+A", kDeckCmdPlaylist, QRect(9, 38, 43, 19), 40);
    DeckControls::createLoopButton(deck, kCdCmdLoop, state.cdLoop);
    obj_InitCD();
    g_state.playCount = obj_GetCDPlayCount();
    cd_ShowLoaded(deck);
    obj_RegisterUser(deck, kObjCd);
    return 0;
}

void onCommand(Window* deck, uint32_t command, intptr_t)
{
    const RackState& state = rackState();
    switch (command) {
    case kDeckCmdPlaylist:
        if (state.cdState == kDeckIdle && CdPlaylistDialog::run(deck) == 1) {
            g_state.position = 0;
            g_state.playCount = obj_GetCDPlayCount();
            cd_ShowLoaded(deck);
            obj_SaveCD();
        }
        break;
    case kCdCmdInitialize:
        if (state.cdState != kDeckPlaying) {
            obj_LoadCD(deck);
            refresh(deck);
        }
        break;
    case kCdCmdEject: eject(deck); break;
    default: break;
    }
}

constexpr DeckHandlers kHandlers = {
    .kind = kObjCd,
    .stopTimer = stopTimer,
    .paint = paint,
    .repaint = cd_Repaint,
    .refresh = refresh,
    .dropFiles = nullptr,
    .play = play,
    .pause = pause,
    .stop = [](Window* deck) { cd_Stop(deck, true, true, kCdStopKindSuccess); },
    .scan = scan,
    .skip = next,
    .loopCommand = kCdCmdLoop,
    .loop = &RackState::cdLoop,
    .command = onCommand,
};

}  // namespace

CdDeckState& cdDeckState()
{
    return g_state;
}

intptr_t Win_CdDeck(Window* window, plat::ui::MessageId message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case plat::ui::kCreateMessage: return onCreate(window);
    case kMciNotifyMessage:
        if (wParam == kMciSuccessful || wParam == kMciFailure) {
            trackEnded(window, wParam);
            return 0;
        }
        return plat::ui::defWindowProc(window, message, wParam, lParam);
    case plat::ui::kTimerMessage:
        if (wParam == kCdDoorTimer) {
            window->killTimer(kCdDoorTimer);
        } else if (wParam == kCdPlayTimer && !g_state.paused) {
            const uint32_t now = plat::ui::UiTimers::tickCount();
            g_state.elapsedTenths = g_state.startTenths + int32_t((now - g_state.startTick) / 100);
            plat::ui::DrawContext dc = window->drawContext();
            paintTime(window, dc);
        }
        return 0;
    default: return kHandlers.dispatch(window, message, wParam, lParam);
    }
}

void cd_Repaint(Window* deck)
{
    if (!deck)
        deck = deckWindow();
    DeckControls::repaint(deck);
}

void cd_ShowLoaded(Window* deck)
{
    if (!deck)
        deck = deckWindow();
    DeckControls::showLoaded(deck, rackState().cdState, g_state.playCount != 0, true, kDeckCd);
}

void cd_Stop(Window* deck, bool forGood, bool stop, int kind)
{
    if (!deck)
        deck = deckWindow();
    RackState& state = rackState();
    if (!Window::isWindow(deck) || state.cdState != kDeckPlaying)
        return;
    if (g_state.paused) {
        g_state.paused = false;
        DeckControls::latchSlot(deck, kSlotPause, kLatchOff);
    } else {
        obj_StopCD(deck, stop ? 1 : 0, 1);
    }
    if (kind == kCdStopKindFailure) {
        obj_EmptyCD(0, 0);
        g_state.elapsedTenths = 0;
        g_state.playCount = obj_GetCDPlayCount();
        forGood = true;
    } else if (kind != kCdStopKindSuccess) {
        return;
    }
    if (!forGood && state.cdLoop && g_state.playCount > 0) {
        for (int tried = 0; tried < g_state.playCount; ++tried) {
            g_state.position = g_state.position + 1 >= g_state.playCount ? 0 : g_state.position + 1;
            g_state.elapsedTenths = 0;
            if (playCurrent(deck)) {
                cd_Repaint(deck);
                return;
            }
        }
    }
    becomeIdle(deck);
}

}  // namespace rack
