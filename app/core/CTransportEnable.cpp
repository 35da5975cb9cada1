#include "app/core/CTransportEnable.h"

plat::ui::CommandState CTransportEnable::Update(uint32_t id, const Document* doc)
{
    plat::ui::CommandState state;
    state.checked = false;
    if (!doc) {
        state.enabled = false;
        return state;
    }
    const uint32_t s = doc->state;
    const auto none = [s](uint32_t mask) { return (s & mask) == 0; };
    switch (id) {
    case 773:
        state.enabled = none(0x0103015A);
        state.checked = doc->loopRegion;
        break;
    case 774:
        state.enabled = true;
        state.checked = doc->stepMode;
        break;
    case 775: state.enabled = !none(0x00074000) || none(0x0100015E); break;
    case 776: state.enabled = none(doc->loopRegion ? 0x00070101 : 0x00060101); break;
    case 777: state.enabled = true; break;
    case 778: state.enabled = none(0x01074000); break;
    case 779:
    case 780: state.enabled = none(0x0101405A) || !none(0x00020000); break;
    case 781:
    case 782: state.enabled = none(0x01074101); break;
    default: state.enabled = false; break;
    }
    return state;
}

int CTransportEnable::StateOf(uint32_t id)
{
    switch (id) {
    case 774: return 3303;
    case 775: return 3304;
    case 776: return 3301;
    case 777: return 3300;
    case 778: return 3302;
    case 779: return 3306;
    case 780: return 3305;
    case 781: return 3308;
    case 782: return 3307;
    default: return 0;
    }
}
