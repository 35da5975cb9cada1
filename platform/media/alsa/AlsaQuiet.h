#pragma once

namespace plat::media {

// Sends the ALSA library's own error messages to the trace instead of stderr, so a machine
// without sound hardware says nothing alarming. Called before the first ALSA call of a family.
void quietAlsaLibrary();

}  // namespace plat::media
