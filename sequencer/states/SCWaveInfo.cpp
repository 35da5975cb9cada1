#include "sequencer/states/SCWaveInfo.h"

SCWaveInfo::~SCWaveInfo() = default;
