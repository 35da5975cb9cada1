#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/ClipData.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace plat {

// The system clipboard as the core libraries see it: it holds one ClipData at a time, which
// anyone may replace. The program installs an implementation over the desktop's clipboard;
// without one, a clipboard in memory serves the process (MemoryClipboard).
//
// What comes off the clipboard may have been written by any program: readers treat every
// byte of it as untrusted input.
class PLATCORE_API Clipboard {
public:
    virtual ~Clipboard() = default;

    // Hands the data to the clipboard, which keeps it until it is replaced; null empties it.
    virtual void setData(std::shared_ptr<const ClipData> data) = 0;
    // What the clipboard holds now; null when it is empty.
    virtual std::shared_ptr<const ClipData> data() const = 0;

    // The id of a format name, registered on first use: the same name always gives the same
    // id while the process runs. Ids count from 0xC000; 0 for an empty name or when every id
    // is taken.
    static uint16_t registerFormat(std::string_view name);
    // The name registered under an id; empty for an id never given out.
    static std::string formatName(uint16_t id);

    // The installed clipboard, or the process's clipboard in memory.
    static Clipboard& current();
    // Installs a clipboard (null goes back to the one in memory) and returns the one it
    // replaces. The clipboard must outlive its installation.
    static Clipboard* install(Clipboard* clipboard);

    // Installs a clipboard for its lifetime, then puts the previous one back; guards nest.
    class PLATCORE_API ScopedInstall {
    public:
        explicit ScopedInstall(Clipboard& clipboard) : m_previous(install(&clipboard)) {}
        ~ScopedInstall() { install(m_previous); }
        ScopedInstall(const ScopedInstall&) = delete;
        ScopedInstall& operator=(const ScopedInstall&) = delete;

    private:
        Clipboard* m_previous;
    };
};

}  // namespace plat
