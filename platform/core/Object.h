#pragma once

#include "platform/core/PlatCoreExport.h"

#include <cstdint>
#include <string_view>

namespace plat {

class Archive;
class Object;

// Marks a schema under which older stored versions of a class still load: the class reads
// Archive::objectSchema() to tell which fields the stored object has.
inline constexpr uint32_t kVersionableSchema = 0x80000000u;
// The schema of classes that are never stored.
inline constexpr uint32_t kNoSchema = 0xFFFFu;

// What the program knows of a class at run time: its name, its base, the schema it stores
// with, and how to make one. Every RuntimeClass registers itself in one process-wide
// registry when its library loads, so an archive can make an object of a class that lives
// in another shared library (a plug-in, say) from its stored name; it unregisters when the
// library unloads.
//
// Two classes with the same name: the one registered first keeps the name and the later one
// is traced and ignored by name lookups, so a plug-in cannot take over a name of the
// program. When the first one unloads, the next one of that name takes its place.
struct PLATCORE_API RuntimeClass {
    const char* name;
    const RuntimeClass* base;
    uint32_t schema;             // may carry kVersionableSchema
    Object* (*factory)();        // null for a class that cannot be made by name

    RuntimeClass(const char* className, const RuntimeClass* baseClass, uint32_t classSchema,
                 Object* (*make)());
    ~RuntimeClass();
    RuntimeClass(const RuntimeClass&) = delete;
    RuntimeClass& operator=(const RuntimeClass&) = delete;

    bool isDerivedFrom(const RuntimeClass* other) const;
    uint32_t storedSchema() const { return schema & ~kVersionableSchema; }
    bool isVersionable() const { return (schema & kVersionableSchema) != 0; }

    // A new object of this class, owned by the caller (for reference-counted classes the
    // caller holds the first reference); null when the class has no factory.
    Object* createObject() const;

    // The registered class of that name, or null.
    static const RuntimeClass* fromName(std::string_view className);
    static Object* createObject(std::string_view className);
};

// The root of every class that has run-time class information or is stored in an archive.
class PLATCORE_API Object {
public:
    virtual ~Object() = default;

    virtual const RuntimeClass* runtimeClass() const;
    // Writes or reads this object's own fields; the archive says which.
    virtual void Serialize(Archive& archive);

    // When a load fails, the archive disposes of every object it made during that load in
    // two passes (see Archive). First each one drops, without destroying
    // anything, whatever it holds of objects it got from readObject (references, list
    // nodes, owning pointers); then each one is released. Reference-counted classes
    // override both; the defaults suit classes that hold loaded objects without owning them.
    virtual void unlinkAfterFailedLoad() {}
    virtual void releaseAfterFailedLoad() { delete this; }

    bool isKindOf(const RuntimeClass* cls) const;

    static const RuntimeClass classObject;

protected:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
};

template <class T>
const RuntimeClass* runtimeClassOf() { return &T::classObject; }

// Casts when the object is of class T or derived from it; null otherwise.
template <class T>
T* dynamicDowncast(Object* object)
{
    return object && object->isKindOf(&T::classObject) ? static_cast<T*>(object) : nullptr;
}
template <class T>
const T* dynamicDowncast(const Object* object)
{
    return object && object->isKindOf(&T::classObject) ? static_cast<const T*>(object) : nullptr;
}

}  // namespace plat

// One line in the class body declares the run-time class; one line in the source file
// implements it.
//   PLAT_DECLARE_DYNAMIC(Cls)          run-time class only
//   PLAT_DECLARE_DYNCREATE(Cls)        run-time class and creation by name
//   PLAT_DECLARE_SERIAL(Cls)           creation by name and storage in archives
//   PLAT_IMPLEMENT_DYNAMIC(Cls, Base)
//   PLAT_IMPLEMENT_DYNCREATE(Cls, Base)
//   PLAT_IMPLEMENT_SERIAL(Cls, Base, schema)
#define PLAT_DECLARE_DYNAMIC(Cls)                                               \
public:                                                                         \
    static const ::plat::RuntimeClass classObject;                              \
    const ::plat::RuntimeClass* runtimeClass() const override { return &classObject; }

#define PLAT_DECLARE_DYNCREATE(Cls)                                             \
    PLAT_DECLARE_DYNAMIC(Cls)                                                   \
    static ::plat::Object* createInstance();

#define PLAT_DECLARE_SERIAL(Cls) PLAT_DECLARE_DYNCREATE(Cls)

#define PLAT_IMPLEMENT_DYNAMIC(Cls, Base)                                       \
    const ::plat::RuntimeClass Cls::classObject(#Cls, &Base::classObject, ::plat::kNoSchema, nullptr);

#define PLAT_IMPLEMENT_DYNCREATE(Cls, Base)                                     \
    ::plat::Object* Cls::createInstance() { return new Cls; }                   \
    const ::plat::RuntimeClass Cls::classObject(#Cls, &Base::classObject, ::plat::kNoSchema, \
                                                &Cls::createInstance);

#define PLAT_IMPLEMENT_SERIAL(Cls, Base, schema)                                \
    ::plat::Object* Cls::createInstance() { return new Cls; }                   \
    const ::plat::RuntimeClass Cls::classObject(#Cls, &Base::classObject, (schema), \
                                                &Cls::createInstance);
