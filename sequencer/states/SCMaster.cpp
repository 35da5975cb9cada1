#include "sequencer/states/SCMaster.h"

#include <cmath>

std::atomic<int> SCMaster::s_iMessageCount{0};

int SCMaster::GetVolume() const
{
    return static_cast<int>(std::lround(m_value));
}
