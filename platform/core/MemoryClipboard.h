#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/Clipboard.h"

#include <mutex>

namespace plat {

// A clipboard that lives in the process: what one part of the program puts on it, another
// reads back. Serves headless runs and tests; safe to use from any thread.
class PLATCORE_API MemoryClipboard : public Clipboard {
public:
    void setData(std::shared_ptr<const ClipData> data) override;
    std::shared_ptr<const ClipData> data() const override;

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<const ClipData> m_data;
};

}  // namespace plat
