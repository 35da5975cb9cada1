#include "platform/core/MemoryClipboard.h"

namespace plat {

void MemoryClipboard::setData(std::shared_ptr<const ClipData> data)
{
    const std::lock_guard<std::mutex> guard(m_mutex);
    m_data = std::move(data);
}

std::shared_ptr<const ClipData> MemoryClipboard::data() const
{
    const std::lock_guard<std::mutex> guard(m_mutex);
    return m_data;
}

}  // namespace plat
