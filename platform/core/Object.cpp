#include "platform/core/Object.h"

#include "platform/core/Trace.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace plat {

namespace {

// The one registry of the process. It lives in this library, which every other library
// links, so classes registered from static initialisers of any shared library meet here.
// For each name it keeps the classes in registration order; the first is the one found.
class ClassRegistry {
public:
    static ClassRegistry& instance()
    {
        static ClassRegistry registry;
        return registry;
    }

    void add(const RuntimeClass* cls)
    {
        const std::lock_guard lock(m_mutex);
        auto& entries = m_classes[cls->name];
        entries.push_back(cls);
        if (entries.size() > 1)
            trace("RuntimeClass: a second class named \"%s\" is ignored while the first is loaded", cls->name);
    }

    void remove(const RuntimeClass* cls)
    {
        const std::lock_guard lock(m_mutex);
        const auto it = m_classes.find(cls->name);
        if (it == m_classes.end())
            return;
        auto& entries = it->second;
        entries.erase(std::remove(entries.begin(), entries.end(), cls), entries.end());
        if (entries.empty())
            m_classes.erase(it);
    }

    const RuntimeClass* find(std::string_view name) const
    {
        const std::lock_guard lock(m_mutex);
        const auto it = m_classes.find(std::string(name));
        return it == m_classes.end() ? nullptr : it->second.front();
    }

private:
    mutable std::mutex m_mutex;
    std::unordered_map<std::string, std::vector<const RuntimeClass*>> m_classes;
};

}  // namespace

RuntimeClass::RuntimeClass(const char* className, const RuntimeClass* baseClass, uint32_t classSchema,
                           Object* (*make)())
    : name(className), base(baseClass), schema(classSchema), factory(make)
{
    ClassRegistry::instance().add(this);
}

RuntimeClass::~RuntimeClass() { ClassRegistry::instance().remove(this); }

bool RuntimeClass::isDerivedFrom(const RuntimeClass* other) const
{
    if (!other)
        return false;
    for (const RuntimeClass* cls = this; cls; cls = cls->base) {
        if (cls == other)
            return true;
    }
    return false;
}

Object* RuntimeClass::createObject() const { return factory ? factory() : nullptr; }

const RuntimeClass* RuntimeClass::fromName(std::string_view className)
{
    return ClassRegistry::instance().find(className);
}

Object* RuntimeClass::createObject(std::string_view className)
{
    const RuntimeClass* cls = fromName(className);
    return cls ? cls->createObject() : nullptr;
}

const RuntimeClass Object::classObject("Object", nullptr, kNoSchema, nullptr);

const RuntimeClass* Object::runtimeClass() const { return &classObject; }

void Object::Serialize(Archive&) {}

bool Object::isKindOf(const RuntimeClass* cls) const { return runtimeClass()->isDerivedFrom(cls); }

}  // namespace plat
