#include "rack/rackplayer/DeckFrames.h"

#include "rack/outside/plinthbase/TextFit.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/plinthart/GraphicCache.h"
#include "rack/plinthart/GraphicIds.h"
#include "rack/rackplayer/RackState.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/window/Window.h"

#include <string>

namespace rack {

namespace {

// Where a deck shows the name of its file.
constexpr int kNameLeft = 70;
constexpr int kNameTop = 6;
constexpr int kNameWidth = 300;

void paintDeck(plat::ui::Window* window, int backgroundPart, const std::string& name)
{
    plat::ui::DrawContext dc = window->beginPaint();
    const QRect client = window->clientRect();
    if (const plat::ui::Bitmap* background = GetGraphicPart(backgroundPart))
        dc.blit(0, 0, client.width(), client.height(), *background, 0, 0);
    if (name.empty())
        return;
    dc.setFont(GetGraphicFont(kFontApplication));
    dc.setTextColor(plat::ui::rgb(0, 255, 255));
    dc.setBackgroundMode(plat::ui::BackgroundMode::transparent);
    std::string text = GetFilenameName(name);
    Pool_GetNameThatFits(dc, kNameWidth, text);
    dc.textOut(kNameLeft, kNameTop, text);
}

std::string currentWaveName()
{
    const WaveRecord* wave = rackState().waveCount > 0 ? obj_GetWave(0, rackState().currentWave) : nullptr;
    return wave ? wave->name : std::string();
}

std::string currentMidiName()
{
    const MidiRecord* midi = rackState().midiCount > 0 ? obj_GetMidi(0, rackState().currentMidi) : nullptr;
    return midi ? midi->path : std::string();
}

void repaint(plat::ui::Window* deck)
{
    if (plat::ui::Window::isWindow(deck))
        deck->invalidate();
}

}  // namespace

intptr_t Win_WaveDeckFrame(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam, intptr_t lParam)
{
    if (message == plat::ui::kPaintMessage) {
        paintDeck(window, kPartWaveBackground, currentWaveName());
        return 0;
    }
    return plat::ui::defWindowProc(window, message, wParam, lParam);
}

intptr_t Win_MidiDeckFrame(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam, intptr_t lParam)
{
    if (message == plat::ui::kPaintMessage) {
        paintDeck(window, kPartMidiBackground, currentMidiName());
        return 0;
    }
    return plat::ui::defWindowProc(window, message, wParam, lParam);
}

intptr_t Win_CdDeckFrame(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam, intptr_t lParam)
{
    if (message == plat::ui::kPaintMessage) {
        paintDeck(window, kPartCdBackground, std::string());
        return 0;
    }
    return plat::ui::defWindowProc(window, message, wParam, lParam);
}

void wave_ShowLoaded()
{
    repaint(rackState().waveDeck);
}

void midi_ShowLoaded()
{
    repaint(rackState().midiDeck);
}

}  // namespace rack
