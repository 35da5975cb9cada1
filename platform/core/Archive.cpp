#include "platform/core/Archive.h"

#include "platform/core/Strings.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace plat {

namespace {

// The tag before every object reference.
enum Tag : uint8_t {
    kNullTag = 0,         // a null reference
    kNewClassTag = 1,     // class name and schema follow, then a new object of that class
    kClassIndexTag = 2,   // the index of a class stored before follows, then a new object
    kObjectIndexTag = 3,  // the index of an object stored before follows
};

constexpr uint16_t kCountEscape = 0xFFFF;
constexpr size_t kMaxClassNameLength = 1024;
// Strings from a stream of unknown length are read in pieces of this size, so a corrupt
// length ends at the end of the stream instead of in one huge allocation.
constexpr size_t kStringChunk = 64 * 1024;

// Sets a value for the length of a scope and puts the old one back, also when unwinding.
template <class T>
class ScopedValue {
public:
    ScopedValue(T& target, T value) : m_target(target), m_saved(target) { m_target = value; }
    ~ScopedValue() { m_target = m_saved; }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    T& m_target;
    T m_saved;
};

// Little-endian integers of any width, whatever the host's byte order.
template <class T>
void toLittleEndian(T v, uint8_t (&bytes)[sizeof(T)])
{
    for (size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<uint8_t>(v >> (8 * i));
}

template <class T>
T fromLittleEndian(const uint8_t (&bytes)[sizeof(T)])
{
    T v = 0;
    for (size_t i = sizeof(T); i-- > 0;)
        v = static_cast<T>((v << 8) | bytes[i]);
    return v;
}

}  // namespace

Archive::Archive(ByteStream& stream, Mode mode) : m_stream(stream), m_mode(mode)
{
    if (isStoring())
        growStoredTable();
}

Archive::~Archive()
{
    if (!isStoring())
        return;
    try {
        m_stream.flush();
    } catch (...) {
        // A destructor cannot report it; storing code calls flush() to see write errors.
    }
}

void Archive::checkMode(Mode wanted) const
{
    if (m_mode != wanted)
        throw ArchiveError(ArchiveError::Cause::generic,
                           wanted == Mode::store ? "the archive is not storing" : "the archive is not loading");
}

// Values.

void Archive::writeBytes(const void* data, size_t size)
{
    checkMode(Mode::store);
    if (size > 0)
        m_stream.write(data, size);
}

void Archive::writeU8(uint8_t v) { writeBytes(&v, 1); }

void Archive::writeU16(uint16_t v)
{
    uint8_t bytes[sizeof v];
    toLittleEndian(v, bytes);
    writeBytes(bytes, sizeof bytes);
}

void Archive::writeU32(uint32_t v)
{
    uint8_t bytes[sizeof v];
    toLittleEndian(v, bytes);
    writeBytes(bytes, sizeof bytes);
}

void Archive::writeU64(uint64_t v)
{
    uint8_t bytes[sizeof v];
    toLittleEndian(v, bytes);
    writeBytes(bytes, sizeof bytes);
}

void Archive::writeFloat(float v) { writeU32(std::bit_cast<uint32_t>(v)); }

void Archive::writeDouble(double v) { writeU64(std::bit_cast<uint64_t>(v)); }

void Archive::writeCount(uint32_t count)
{
    if (count < kCountEscape) {
        writeU16(static_cast<uint16_t>(count));
        return;
    }
    writeU16(kCountEscape);
    writeU32(count);
}

void Archive::writeString(std::string_view text)
{
    if (text.size() > UINT32_MAX)
        throw ArchiveError(ArchiveError::Cause::generic, "a string is too long to store");
    writeCount(static_cast<uint32_t>(text.size()));
    writeBytes(text.data(), text.size());
}

void Archive::readBytes(void* buffer, size_t size)
{
    checkMode(Mode::load);
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < size) {
        const size_t n = m_stream.read(out + done, size - done);
        if (n == 0)
            throw ArchiveError(ArchiveError::Cause::endOfFile, "the data ends unexpectedly");
        done += n;
    }
}

uint8_t Archive::readU8()
{
    uint8_t v = 0;
    readBytes(&v, 1);
    return v;
}

uint16_t Archive::readU16()
{
    uint8_t bytes[sizeof(uint16_t)];
    readBytes(bytes, sizeof bytes);
    return fromLittleEndian<uint16_t>(bytes);
}

uint32_t Archive::readU32()
{
    uint8_t bytes[sizeof(uint32_t)];
    readBytes(bytes, sizeof bytes);
    return fromLittleEndian<uint32_t>(bytes);
}

uint64_t Archive::readU64()
{
    uint8_t bytes[sizeof(uint64_t)];
    readBytes(bytes, sizeof bytes);
    return fromLittleEndian<uint64_t>(bytes);
}

float Archive::readFloat() { return std::bit_cast<float>(readU32()); }

double Archive::readDouble() { return std::bit_cast<double>(readU64()); }

void Archive::requireAvailable(uint64_t count, uint64_t itemBytes)
{
    const std::optional<uint64_t> left = m_stream.remaining();
    if (!left || itemBytes == 0 || count == 0)
        return;
    if (count > *left / itemBytes)
        throw ArchiveError(ArchiveError::Cause::endOfFile,
                           format("a count of %llu items is more than the data holds",
                                  static_cast<unsigned long long>(count)));
}

uint32_t Archive::readCount(size_t minItemBytes)
{
    uint32_t count = readU16();
    if (count == kCountEscape)
        count = readU32();
    requireAvailable(count, minItemBytes);
    return count;
}

std::string Archive::readString()
{
    const uint32_t length = readCount(1);
    std::string text;
    if (m_stream.remaining()) {
        text.resize(length);
        readBytes(text.data(), length);
        return text;
    }
    while (text.size() < length) {
        const size_t piece = std::min<size_t>(kStringChunk, length - text.size());
        const size_t at = text.size();
        text.resize(at + piece);
        readBytes(text.data() + at, piece);
    }
    return text;
}

// Objects.

namespace {

// The slot of an address: its bits above the alignment, unmixed. Objects are mostly stored in
// the order they were made, close together in memory, so neighbours in the stream probe
// neighbouring slots, which keeps a table far larger than the cache fast; the heap spreads
// them evenly enough over the slots.
size_t slotOf(const Object* object, size_t mask)
{
    return static_cast<size_t>(reinterpret_cast<uintptr_t>(object) >> 4) & mask;
}

constexpr size_t kMinStoredTable = 64;

}  // namespace

size_t Archive::probeStored(const Object* object) const
{
    const size_t mask = m_storedTable.size() - 1;
    for (size_t slot = slotOf(object, mask);; slot = (slot + 1) & mask) {
        const uint32_t entry = m_storedTable[slot];
        if (entry == 0 || m_storedObjects[entry - 1] == object)
            return slot;
    }
}

void Archive::growStoredTable(size_t minSlots)
{
    const size_t doubled = m_storedTable.empty() ? kMinStoredTable : 2 * m_storedTable.size();
    m_storedTable.assign(std::max(doubled, std::bit_ceil(minSlots)), 0);
    const size_t mask = m_storedTable.size() - 1;
    // In the order stored, which is mostly the order of their addresses: the table fills from
    // front to back.
    for (size_t index = 0; index < m_storedObjects.size(); ++index) {
        size_t slot = slotOf(m_storedObjects[index], mask);
        while (m_storedTable[slot] != 0)
            slot = (slot + 1) & mask;
        m_storedTable[slot] = static_cast<uint32_t>(index + 1);
    }
}

void Archive::addStored(const Object* object, size_t slot)
{
    if (m_storedObjects.size() >= UINT32_MAX - 1)
        throw ArchiveError(ArchiveError::Cause::generic, "too many objects to store");
    // At most half full, so that a probe ends soon.
    if (2 * (m_storedObjects.size() + 1) > m_storedTable.size()) {
        growStoredTable();
        slot = probeStored(object);
    }
    m_storedObjects.push_back(object);
    m_storedTable[slot] = static_cast<uint32_t>(m_storedObjects.size());
}

void Archive::reserveObjects(size_t count)
{
    if (!isStoring() || count > UINT32_MAX)
        return;
    m_storedObjects.reserve(count);
    // At most half full, as addStored keeps it.
    if (2 * count > m_storedTable.size())
        growStoredTable(2 * count);
}

void Archive::mapObject(Object* object)
{
    if (!object)
        return;
    if (isStoring()) {
        const size_t slot = probeStored(object);
        if (m_storedTable[slot] == 0)
            addStored(object, slot);
        return;
    }
    for (size_t index = 0; index < m_loadedObjects.size(); ++index) {
        if (m_loadedObjects[index].object == object)
            return;
    }
    m_loadedObjects.push_back({object, object->runtimeClass()});
    // The caller holds it already: no object of the stream may take it as its sole owner.
    claimExclusive(m_loadedObjects.size() - 1);
}

void Archive::writeObject(const Object* object)
{
    checkMode(Mode::store);
    if (!object) {
        writeU8(kNullTag);
        return;
    }
    const size_t slot = probeStored(object);
    if (m_storedTable[slot] != 0) {
        writeU8(kObjectIndexTag);
        writeU32(m_storedTable[slot] - 1);
        return;
    }
    const RuntimeClass* cls = object->runtimeClass();
    if (!cls->factory || cls->storedSchema() == kNoSchema)
        throw ArchiveError(ArchiveError::Cause::badClass, format("objects of class %s cannot be stored", cls->name));
    // The same bound as loading, so nothing is stored that could not be loaded again.
    if (m_depth >= m_maxDepth)
        throw ArchiveError(ArchiveError::Cause::generic, "objects are nested too deeply to store");

    if (const auto it = m_storedClasses.find(cls); it != m_storedClasses.end()) {
        writeU8(kClassIndexTag);
        writeU32(it->second);
    } else {
        writeU8(kNewClassTag);
        writeString(cls->name);
        writeU32(cls->storedSchema());
        m_storedClasses.emplace(cls, static_cast<uint32_t>(m_storedClasses.size()));
    }
    // Registered before its fields, so references back to it from inside are references.
    addStored(object, slot);
    const ScopedValue depth(m_depth, m_depth + 1);
    const_cast<Object*>(object)->Serialize(*this);
}

template <class Step>
auto Archive::outermost(Step&& step)
{
    const size_t loadedBefore = m_loadedObjects.size();
    try {
        auto result = step();
        requireClaimed();
        m_madeObjects.clear();
        return result;
    } catch (...) {
        discardMadeObjects(loadedBefore);
        throw;
    }
}

void Archive::requireClaimed() const
{
    if (!m_unclaimed.empty())
        throw ArchiveError(ArchiveError::Cause::generic,
                           format("a reference to an object of class %s that nothing holds",
                                  m_unclaimed.front()->runtimeClass()->name));
}

Object* Archive::readAs(const RuntimeClass* expected, Holder holder)
{
    checkMode(Mode::load);
    if (m_depth > 0)
        return readObjectTagged(expected, holder);
    return outermost([&] { return readObjectTagged(expected, holder); });
}

Object* Archive::readObject(const RuntimeClass* expected)
{
    return readAs(expected, Holder::owner);
}

Object* Archive::readExclusiveObject(const RuntimeClass* expected)
{
    return readAs(expected, Holder::soleOwner);
}

Object* Archive::readReference(const RuntimeClass* expected)
{
    return readAs(expected, Holder::reference);
}

void Archive::claimExclusive(size_t index)
{
    const size_t word = index / 64;
    const uint64_t bit = uint64_t{1} << (index % 64);
    if (word >= m_exclusive.size())
        m_exclusive.resize(std::max(word + 1, 2 * m_exclusive.size()), 0);
    if (m_exclusive[word] & bit)
        throw ArchiveError(ArchiveError::Cause::generic,
                           format("an object of class %s stored for two owners", m_loadedObjects[index].cls->name));
    m_exclusive[word] |= bit;
}

void Archive::loadInto(Object& object)
{
    checkMode(Mode::load);
    if (m_depth > 0) {
        object.Serialize(*this);
        return;
    }
    const size_t loadedBefore = m_loadedObjects.size();
    try {
        const ScopedValue depth(m_depth, m_depth + 1);
        object.Serialize(*this);
        requireClaimed();
        m_madeObjects.clear();
    } catch (...) {
        try {
            object.unlinkAfterFailedLoad();
        } catch (...) {
            // The load error that got us here is the one to report.
        }
        discardMadeObjects(loadedBefore);
        throw;
    }
}

Object* Archive::readObjectTagged(const RuntimeClass* expected, Holder holder)
{
    const bool owning = holder != Holder::reference;
    const uint8_t tag = readU8();
    const LoadedClass* loaded = nullptr;
    switch (tag) {
    case kNullTag:
        return nullptr;
    case kObjectIndexTag: {
        const uint32_t index = readU32();
        if (index >= m_loadedObjects.size())
            throw ArchiveError(ArchiveError::Cause::badIndex, format("a reference to object %u, which was never loaded", index));
        const auto [object, objectClass] = m_loadedObjects[index];
        if (expected && !objectClass->isDerivedFrom(expected))
            throw ArchiveError(ArchiveError::Cause::badClass,
                               format("an object of class %s where %s was expected", objectClass->name,
                                      expected->name));
        if (holder == Holder::soleOwner)
            claimExclusive(index);
        if (owning && !m_unclaimed.empty())
            std::erase(m_unclaimed, object);
        return object;
    }
    case kNewClassTag:
        loaded = &readClass();
        break;
    case kClassIndexTag: {
        const uint32_t index = readU32();
        if (index >= m_loadedClasses.size())
            throw ArchiveError(ArchiveError::Cause::badIndex, format("a reference to class %u, which was never loaded", index));
        loaded = &m_loadedClasses[index];
        break;
    }
    default:
        throw ArchiveError(ArchiveError::Cause::generic, format("an unknown object tag %u", tag));
    }

    const RuntimeClass* cls = loaded->cls;
    const uint32_t schema = loaded->schema;
    if (expected && !cls->isDerivedFrom(expected))
        throw ArchiveError(ArchiveError::Cause::badClass,
                           format("an object of class %s where %s was expected", cls->name, expected->name));
    if (m_depth >= m_maxDepth)
        throw ArchiveError(ArchiveError::Cause::generic, "objects are nested too deeply");

    Object* object = cls->createObject();
    if (!object)
        throw ArchiveError(ArchiveError::Cause::badClass, format("an object of class %s cannot be made", cls->name));
    m_madeObjects.push_back(object);
    m_loadedObjects.push_back({object, object->runtimeClass()});
    if (holder == Holder::soleOwner)
        claimExclusive(m_loadedObjects.size() - 1);
    if (!owning)
        m_unclaimed.push_back(object);

    const ScopedValue depth(m_depth, m_depth + 1);
    const ScopedValue loadingSchema(m_loadingSchema, schema);
    object->Serialize(*this);
    return object;
}

const Archive::LoadedClass& Archive::readClass()
{
    const uint32_t length = readCount(1);
    if (length == 0 || length > kMaxClassNameLength)
        throw ArchiveError(ArchiveError::Cause::badClass, "a class name of impossible length");
    std::string name(length, '\0');
    readBytes(name.data(), length);
    const uint32_t schema = readU32();

    const RuntimeClass* cls = RuntimeClass::fromName(name);
    if (!cls || !cls->factory || cls->storedSchema() == kNoSchema)
        throw ArchiveError(ArchiveError::Cause::badClass, format("an unknown class \"%s\"", name.c_str()));
    if (!cls->isVersionable() && schema != cls->storedSchema())
        throw ArchiveError(ArchiveError::Cause::badSchema,
                           format("class %s stored with schema %u, this program reads schema %u", cls->name, schema,
                                  cls->storedSchema()));
    m_loadedClasses.push_back({cls, schema});
    return m_loadedClasses.back();
}

void Archive::discardMadeObjects(size_t loadedBefore)
{
    BlockList<Object*> made(std::move(m_madeObjects));
    m_unclaimed.clear();
    m_loadedObjects.truncate(loadedBefore);
    // The indices of the objects made are given out again, unclaimed.
    const size_t keptWords = (loadedBefore + 63) / 64;
    if (m_exclusive.size() > keptWords)
        m_exclusive.resize(keptWords);
    if (loadedBefore % 64 != 0 && keptWords > 0 && keptWords <= m_exclusive.size())
        m_exclusive[keptWords - 1] &= (uint64_t{1} << (loadedBefore % 64)) - 1;
    // First every object lets go of the others, then each is released on its own: no object
    // can destroy another that is still to be released.
    for (size_t index = made.size(); index-- > 0;) {
        try {
            made[index]->unlinkAfterFailedLoad();
        } catch (...) {
            // The load error that got us here is the one to report.
        }
    }
    for (size_t index = made.size(); index-- > 0;) {
        try {
            made[index]->releaseAfterFailedLoad();
        } catch (...) {
        }
    }
}

}  // namespace plat
