#pragma once

namespace rack::art {

// The name under which plinthart's bitmap resources are registered.
inline constexpr const char* kPlinthArtModule = "PLINTHART";

}  // namespace rack::art
