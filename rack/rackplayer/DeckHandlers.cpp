#include "rack/rackplayer/DeckHandlers.h"

#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/rackplayer/DeckControls.h"
#include "rack/rackplayer/RackState.h"

#include "platform/ui/rackwindow/Window.h"

namespace rack {

intptr_t DeckHandlers::dispatch(plat::ui::Window* deck, plat::ui::MessageId message, uintptr_t wParam, intptr_t lParam) const
{
    switch (message) {
    case plat::ui::kDestroyMessage:
        stopTimer(deck);
        // The deck takes its name off plinthstore's list, so no change is ever posted to a
        // window that is gone.
        obj_UnregisterUser(deck, kind);
        return 0;
    case plat::ui::kPaintMessage: paint(deck); return 0;
    case plat::ui::kCommandMessage: {
        const uint32_t id = plat::ui::loWord(wParam);
        switch (id) {
        case kSlotPlay: play(deck); break;
        case kSlotPause: pause(deck); break;
        case kSlotStop: stop(deck); break;
        case kSlotScanBack:
        case kSlotScanForward: scan(deck, id, lParam); break;
        case kSlotPrevious:
        case kSlotNext:
            if (lParam == kNotifyRepeat)
                skip(deck, id);
            break;
        default:
            if (id == loopCommand)
                DeckControls::toggleLoop(deck, loopCommand, rackState().*loop);
            else
                command(deck, id, lParam);
            break;
        }
        return 0;
    }
    case kSysCommandMessage:
        if ((wParam & ~uintptr_t(0xF)) == kObjectsChanged) {
            refresh(deck);
            return 0;
        }
        return plat::ui::defWindowProc(deck, message, wParam, lParam);
    case plat::ui::kDropFilesMessage:
        if (!dropFiles)
            return plat::ui::defWindowProc(deck, message, wParam, lParam);
        if (wParam)
            dropFiles(deck, *reinterpret_cast<const std::vector<std::string>*>(wParam));
        return 0;
    case plat::ui::kSetFocusMessage: repaint(deck); return 0;
    default: return plat::ui::defWindowProc(deck, message, wParam, lParam);
    }
}

}  // namespace rack
