#include "interface/core/MCRegistry.h"

#include <mutex>

namespace {

std::mutex& appKeyMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string& appKey()
{
    static std::string key;
    return key;
}

}  // namespace

MCRegistry::MCRegistry(int connect)
{
    {
        const std::lock_guard lock(appKeyMutex());
        if (appKey().empty())
            appKey() = ProgramKey();
    }
    if (connect)
        Connect();
}

MCRegistry::~MCRegistry()
{
    Close();
}

std::string MCRegistry::GetAppKey()
{
    const std::lock_guard lock(appKeyMutex());
    return appKey();
}

std::string MCRegistry::GetFullKey(const char* sub)
{
    return GetAppKey() + "\\" + (sub ? sub : "");
}

int MCRegistry::OpenAppKey(const char* sub, int create)
{
    const std::string full = GetFullKey(sub);
    if (OpenKey(full))
        return 1;
    return create && CreateKey(full) ? 1 : 0;
}

int MCRegistry::CreateAppKey(const char* sub)
{
    return OpenAppKey(sub, 1);
}

int MCRegistry::DeleteAppKey(const char* sub)
{
    const std::string full = GetFullKey(sub);
    if (!OpenKey(full))
        return 1;
    CloseKey();
    return DoDeleteKey(full.c_str());
}

int MCRegistry::DoDeleteKey(const char* fullKey)
{
    MCRegistry key(1);
    if (!key.OpenKey(fullKey))
        return 1;
    // The subkeys are listed once, before any is deleted: a subkey that will not go cannot
    // send the deletion round in circles.
    std::vector<std::string> children;
    if (key.QueryKeyInfo()) {
        std::string name, className;
        for (size_t i = 0; i < key.SubKeyCount() && key.EnumerateKeys(i, name, className); ++i)
            children.push_back(name);
    }
    key.CloseKey();
    for (const std::string& child : children)
        DoDeleteKey((std::string(fullKey) + "\\" + child).c_str());
    key.DeleteKey(fullKey);
    key.Close();
    return 1;
}
