#include "sequencer/states/SCVoice.h"

SCVoice::~SCVoice() = default;
