#include "platform/core/Library.h"

#include <dlfcn.h>

#include <utility>

namespace plat {

namespace {

// dlerror() reports once and then clears; this reads it, with a fallback for the rare case
// of a failure that left no text.
std::string lastDlError(std::string_view fallback)
{
    const char* text = ::dlerror();
    return text ? std::string(text) : std::string(fallback);
}

}  // namespace

Library::Library(std::string_view path) { load(path); }

Library::~Library() { unload(); }

Library::Library(Library&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_error(std::move(other.m_error))
{
}

Library& Library::operator=(Library&& other) noexcept
{
    if (this != &other) {
        unload();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_error = std::move(other.m_error);
    }
    return *this;
}

bool Library::load(std::string_view path)
{
    unload();
    m_error.clear();
    const std::string file(path);
    if (file.empty()) {
        m_error = "no library path given";
        return false;
    }
    ::dlerror();
    m_handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        m_error = lastDlError(file + ": cannot be loaded");
        return false;
    }
    return true;
}

void Library::unload()
{
    if (m_handle) {
        ::dlclose(m_handle);
        m_handle = nullptr;
    }
}

void* Library::symbol(std::string_view name)
{
    m_error.clear();
    if (!m_handle) {
        m_error = "no library loaded";
        return nullptr;
    }
    const std::string symbolName(name);
    ::dlerror();
    void* address = ::dlsym(m_handle, symbolName.c_str());
    // A symbol may legitimately be null; only dlerror() tells a failure.
    if (const char* text = ::dlerror()) {
        m_error = text;
        return nullptr;
    }
    if (!address)
        m_error = symbolName + ": symbol is null";
    return address;
}

bool Library::isInProcess(std::string_view path)
{
    const std::string file(path);
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return false;
    // RTLD_NOLOAD still counts a reference; give it back.
    ::dlclose(handle);
    return true;
}

}  // namespace plat
