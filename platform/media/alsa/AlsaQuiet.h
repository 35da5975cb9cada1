#pragma once

namespace plat::media {

// Sends the ALSA library's own error messages to the trace instead of stderr, so a machine
// without sound hardware says nothing alarming. Called before the first ALSA call of a family.
void quietAlsaLibrary();
// Drops the library's error messages on this thread altogether while silent: a probe of a
// device that is not there is no fault worth a trace.
void silenceAlsaErrors(bool silent);

}  // namespace plat::media
