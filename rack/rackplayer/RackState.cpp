#include "rack/rackplayer/RackState.h"

namespace rack {

RackState& rackState()
{
    static RackState state;
    return state;
}

}  // namespace rack
