#include "platform/media/MediaError.h"

namespace plat::media {

std::string mediaErrorText(int error)
{
    switch (error) {
    case kOk: return "The operation completed successfully.";
    case kErrorUnspecified: return "An unspecified error occurred.";
    case kErrorBadDeviceId: return "The device identifier is out of range.";
    case kErrorNotEnabled: return "The driver is not enabled.";
    case kErrorAllocated: return "The device is already in use.";
    case kErrorInvalidHandle: return "The device is not open.";
    case kErrorNoDriver: return "No device driver is present.";
    case kErrorNoMemory: return "There is not enough memory for this operation.";
    case kErrorNotSupported: return "The device does not support this operation.";
    case kErrorInvalidFlag: return "An invalid flag was passed.";
    case kErrorInvalidParam: return "An invalid parameter was passed.";
    case kErrorBadFormat: return "The data format is not supported.";
    case kErrorStillPlaying: return "Buffers are still queued on the device.";
    case kErrorNotReady: return "The device is not ready.";
    default: return "Unknown media error " + std::to_string(error) + ".";
    }
}

}  // namespace plat::media
