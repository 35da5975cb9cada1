#pragma once

#include "platform/media/PlatMediaExport.h"

#include <string>

namespace plat::media {

// Error numbers the device interfaces return; 0 is success. Callers report them with the
// device's own notification codes and show mediaErrorText() to the user.
inline constexpr int kOk = 0;
inline constexpr int kErrorUnspecified = 1;
inline constexpr int kErrorBadDeviceId = 2;
inline constexpr int kErrorNotEnabled = 3;
inline constexpr int kErrorAllocated = 4;
inline constexpr int kErrorInvalidHandle = 5;
inline constexpr int kErrorNoDriver = 6;
inline constexpr int kErrorNoMemory = 7;
inline constexpr int kErrorNotSupported = 8;
inline constexpr int kErrorInvalidFlag = 10;
inline constexpr int kErrorInvalidParam = 11;
inline constexpr int kErrorBadFormat = 32;
inline constexpr int kErrorStillPlaying = 33;
inline constexpr int kErrorNotReady = 67;

// A readable text for an error number; an unknown number gets a generic text with it.
PLATMEDIA_API std::string mediaErrorText(int error);

}  // namespace plat::media
