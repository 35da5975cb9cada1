#pragma once

#include "interface/InterfaceExport.h"

#include <cstdint>
#include <functional>

// One keyboard shortcut: a key with its modifiers, and either a command of the program to run
// or, without one, a hot-key state (5002) that carries the hot key to the active document's
// handlers.
class INTERFACE_API MCHotKey {
public:
    static constexpr int kHotKeyState = 5002;
    // Runs a command of the program's main window at once; the program installs it.
    using CommandSender = std::function<void(uint16_t command)>;
    static CommandSender SetCommandSender(CommandSender sender);

    MCHotKey() = default;
    MCHotKey(const MCHotKey& other) = default;
    MCHotKey& operator=(const MCHotKey& other) = default;
    virtual ~MCHotKey() = default;

    virtual void SetInput(unsigned key, int control, int alt, int shift);
    virtual void SetOutput(unsigned command) { m_output = command; }
    virtual int CompareInput(unsigned key, int control, int alt, int shift) const;
    virtual int CompareOutput(unsigned command) const { return m_output == command ? 1 : 0; }
    virtual void Apply();

    int GetControl() const { return (m_flags >> 1) & 1; }
    int GetAlt() const { return (m_flags >> 2) & 1; }
    int GetShift() const { return (m_flags >> 3) & 1; }
    int GetAllowRepeat() const { return m_flags & 1; }
    void SetAllowRepeat(int allow) { setFlag(0, allow); }
    unsigned GetInput() const { return m_input; }
    unsigned GetOutput() const { return m_output; }

private:
    void setFlag(int bit, int on)
    {
        m_flags = static_cast<uint8_t>(on ? (m_flags | (1u << bit)) : (m_flags & ~(1u << bit)));
    }

    uint8_t m_flags = 0;
    unsigned m_input = 0;
    unsigned m_output = 0;
};
