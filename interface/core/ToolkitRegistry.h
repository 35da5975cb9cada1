#pragma once

#include "interface/InterfaceExport.h"

#include <optional>
#include <string>
#include <vector>

// Keys and values of the user's settings, addressed as registry paths: the program's key
// "Software\Tarnwick\<application>" is its settings store (plat::Profile), and the keys below
// it are the store's sections. A key holds named string and integer values and subkeys; subkeys are listed
// in the registry's order, sorted without regard to case. Paths outside the program's key
// open nothing.
//
// The store keeps a section only while something is in it; a key created empty is known to
// this process until it is deleted.
class INTERFACE_API ToolkitRegistry {
public:
    ToolkitRegistry() = default;
    virtual ~ToolkitRegistry();
    ToolkitRegistry(const ToolkitRegistry&) = delete;
    ToolkitRegistry& operator=(const ToolkitRegistry&) = delete;

    // The program's key: "Software\Tarnwick\" and the application's name.
    static std::string ProgramKey();

    // Connects to the current user's settings; the arguments of the classic call are kept
    // for its callers (the user's root, no machine name, 1).
    bool Connect();
    bool IsConnected() const { return m_connected; }
    // Opens the key of a full path; false when it does not exist.
    bool OpenKey(const std::string& path);
    // Opens the key, creating it when it does not exist; false for a path outside the
    // program's key.
    bool CreateKey(const std::string& path);
    bool IsOpen() const { return m_section.has_value(); }
    // Reads the open key's subkey count, which SubKeyCount() then gives.
    bool QueryKeyInfo();
    size_t SubKeyCount() const { return m_subKeyCount; }
    // The subkey of index in sorted order; false when there is none there.
    bool EnumerateKeys(size_t index, std::string& name, std::string& className);
    bool GetStringValue(const std::string& name, std::string& value) const;
    bool SetStringValue(const std::string& name, const std::string& value);
    bool GetIntValue(const std::string& name, int& value) const;
    bool SetIntValue(const std::string& name, int value);
    // Deletes the key of a full path, which must have no subkeys left, with its values;
    // false when it still has subkeys or cannot be deleted.
    bool DeleteKey(const std::string& path);
    void CloseKey();
    void Close();

    // The section of the program's store for a full registry path.
    static std::optional<std::string> SectionOf(const std::string& path);

private:
    std::vector<std::string> subKeys() const;

    bool m_connected = false;
    std::optional<std::string> m_section;
    size_t m_subKeyCount = 0;
};
