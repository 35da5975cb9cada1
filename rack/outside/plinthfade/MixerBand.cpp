#include "rack/outside/plinthfade/MixerBand.h"

#include "rack/outside/plinthfx/StereoProcess.h"
#include "rack/outside/plinthstore/CdStore.h"
#include "rack/outside/plinthtune/MidiPorts.h"
#include "rack/plinthart/GraphicCache.h"
#include "rack/plinthart/GraphicIds.h"

#include "platform/ui/draw/Brush.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/rackwindow/WindowClass.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <memory>

namespace rack {

namespace {

constexpr const char* kBandProperty = "XXMXPROP";
constexpr const char* kSourceNames[kMixerSources] = {"WAVE", "MIDI", "CD"};

// The layout of one band: a row per source, a gain track and a balance track in each.
constexpr int kRowTop = 27;
constexpr int kRowHeight = 25;
constexpr int kGainLeft = 80;
constexpr int kGainWidth = 300;
constexpr int kBalanceLeft = 430;
constexpr int kBalanceWidth = 160;
constexpr int kTrackHeight = 8;

struct Levels {
    int gain = kFxFullGain;
    int balance = 0;
};

struct MixerState {
    int useCount = 0;
    std::array<Levels, kMixerSources> levels;
};

MixerState& mixer()
{
    static MixerState state;
    return state;
}

// What a band keeps: its height, and the track being dragged.
struct BandBlock {
    int height = 105;
    int dragRow = -1;
    bool dragGain = false;
};

int rowAt(int y)
{
    const int row = (y - kRowTop) / kRowHeight;
    return y >= kRowTop && row < kMixerSources ? row : -1;
}

void paintBand(plat::ui::Window* window)
{
    plat::ui::DrawContext dc = window->beginPaint();
    const QRect client = window->clientRect();
    QPainter& painter = dc.painter();
    if (const plat::ui::Bitmap* background = GetGraphicPart(kPartMixerBackground))
        dc.blit(0, 0, client.width(), client.height(), *background, 0, 0);
    else
        painter.fillRect(client, QColor(40, 42, 48));
    QFont font = painter.font();
    font.setPixelSize(10);
    painter.setFont(font);
    painter.setPen(QColor(200, 204, 210));
    painter.drawText(QRect(kGainLeft, 6, kGainWidth, 12), Qt::AlignCenter, "GAIN");
    painter.drawText(QRect(kBalanceLeft, 6, kBalanceWidth, 12), Qt::AlignCenter, "BALANCE");
    for (int row = 0; row < kMixerSources; ++row) {
        const int y = kRowTop + row * kRowHeight;
        const Levels& levels = mixer().levels[size_t(row)];
        painter.setPen(QColor(200, 204, 210));
        painter.drawText(QRect(16, y, 56, kRowHeight), Qt::AlignVCenter | Qt::AlignLeft, kSourceNames[row]);
        const int trackY = y + (kRowHeight - kTrackHeight) / 2;
        painter.fillRect(QRect(kGainLeft, trackY, kGainWidth, kTrackHeight), QColor(12, 13, 15));
        painter.fillRect(QRect(kGainLeft + 1, trackY + 1, (kGainWidth - 2) * levels.gain / kFxFullGain,
                               kTrackHeight - 2),
                         QColor(60, 200, 90));
        painter.fillRect(QRect(kBalanceLeft, trackY, kBalanceWidth, kTrackHeight), QColor(12, 13, 15));
        painter.fillRect(QRect(kBalanceLeft + kBalanceWidth / 2, trackY - 2, 1, kTrackHeight + 4),
                         QColor(120, 124, 130));
        const int knob = kBalanceLeft + (kBalanceWidth - 6) * (levels.balance + kFxMaxBalance) / (2 * kFxMaxBalance);
        painter.fillRect(QRect(knob, trackY - 3, 6, kTrackHeight + 6), QColor(230, 180, 40));
    }
}

// Sets the level under the pointer of the track being dragged.
void dragTo(plat::ui::Window* window, BandBlock& block, int x)
{
    if (block.dragRow < 0)
        return;
    int gain = 0;
    int balance = 0;
    const auto source = MixerSource(block.dragRow);
    mix_GetLevels(source, gain, balance);
    if (block.dragGain)
        gain = std::clamp((x - kGainLeft) * kFxFullGain / kGainWidth, 0, kFxFullGain);
    else
        balance = std::clamp((x - kBalanceLeft) * 2 * kFxMaxBalance / kBalanceWidth - kFxMaxBalance,
                             -kFxMaxBalance, kFxMaxBalance);
    mix_SetLevels(source, gain, balance);
    window->invalidate();
}

}  // namespace

int mix_Initialize()
{
    if (mixer().useCount++ == 0) {
        plat::ui::WindowClass cls;
        cls.name = kMixerBandClass;
        cls.proc = Win_MixerBand;
        plat::ui::WindowClass::registerClass(std::move(cls));
    }
    return 0;
}

int mix_Terminate()
{
    if (mixer().useCount > 0 && --mixer().useCount == 0)
        plat::ui::WindowClass::unregisterClass(kMixerBandClass);
    return 0;
}

void mix_GetLevels(MixerSource source, int& gain, int& balance)
{
    const Levels& levels = mixer().levels.at(size_t(source));
    gain = levels.gain;
    balance = levels.balance;
}

void mix_SetLevels(MixerSource source, int gain, int balance)
{
    Levels& levels = mixer().levels.at(size_t(source));
    levels.gain = std::clamp(gain, 0, kFxFullGain);
    levels.balance = std::clamp(balance, -kFxMaxBalance, kFxMaxBalance);
    switch (source) {
    case MixerSource::wave: aqx_SetLevels(levels.gain, levels.balance); break;
    case MixerSource::midi: mid_SetLevels(levels.gain, levels.balance); break;
    case MixerSource::cd: obj_SetCDLevels(levels.gain, levels.balance); break;
    }
}

intptr_t Win_MixerBand(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam, intptr_t lParam)
{
    using namespace plat::ui;
    switch (message) {
    case kCreateMessage: {
        auto block = std::make_shared<BandBlock>();
        const auto* info = reinterpret_cast<const CreateInfo*>(lParam);
        if (const auto* create = static_cast<const MixerCreateBlock*>(info->createParam); create && create->height > 0)
            block->height = create->height;
        window->setProperty(kBandProperty, block);
        return 0;
    }
    case kCommandMessage:
        if (loWord(wParam) == kMixerHeightCommand) {
            const auto block = window->property<BandBlock>(kBandProperty);
            return intptr_t(uintptr_t(block ? block->height : 0) << 16);
        }
        return 0;
    case kPaintMessage:
        paintBand(window);
        return 0;
    case kLeftButtonDownMessage: {
        const auto block = window->property<BandBlock>(kBandProperty);
        const int x = pointX(lParam);
        block->dragRow = rowAt(pointY(lParam));
        block->dragGain = x < (kGainLeft + kGainWidth + kBalanceLeft) / 2;
        if (block->dragRow >= 0) {
            window->setCapture();
            dragTo(window, *block, x);
        }
        return 0;
    }
    case kMouseMoveMessage: {
        const auto block = window->property<BandBlock>(kBandProperty);
        if (block && (wParam & kLeftButtonFlag) != 0)
            dragTo(window, *block, pointX(lParam));
        return 0;
    }
    case kLeftButtonUpMessage: {
        if (const auto block = window->property<BandBlock>(kBandProperty))
            block->dragRow = -1;
        if (Window::capture() == window)
            Window::releaseCapture();
        return 0;
    }
    default:
        return defWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace rack
