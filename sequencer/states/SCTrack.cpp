#include "sequencer/states/SCTrack.h"

SCTrack::~SCTrack() = default;
