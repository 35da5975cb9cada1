#pragma once

#include "interface/InterfaceExport.h"

#include "interface/core/ToolkitRegistry.h"

#include <string>

// Whole keys below the program's own key: opened, created, enumerated through the base, and
// deleted with everything below them. The pickers keep their user-defined entries as subkeys
// opened through it; the workspace page deletes the warnings' key with it.
class INTERFACE_API MCRegistry : public ToolkitRegistry {
public:
    explicit MCRegistry(int connect = 1);
    ~MCRegistry() override;

    // The program's key path, built by the first MCRegistry constructed; "" before that.
    static std::string GetAppKey();
    // The program's key, "\" and sub.
    static std::string GetFullKey(const char* sub);

    // Opens the key below the program's key; when it does not exist and create is nonzero,
    // creates it. 1 on success.
    virtual int OpenAppKey(const char* sub, int create);
    virtual int CreateAppKey(const char* sub);
    // Deletes the key below the program's key with all its subkeys and values. A key that does
    // not exist counts as deleted: 1 in every case.
    virtual int DeleteAppKey(const char* sub);
    // Deletes fullKey depth first. Each subkey is deleted once, so a subkey that cannot be
    // deleted ends its branch instead of being tried forever; 1 in every case.
    virtual int DoDeleteKey(const char* fullKey);
};
