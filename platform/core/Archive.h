#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/ArchiveError.h"
#include "platform/core/ByteStream.h"
#include "platform/core/LargePageAllocator.h"
#include "platform/core/Object.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace plat {

// Stores objects and values into a byte stream, or loads them back.
//
// Values are little-endian. Strings are their UTF-8 bytes preceded by a count. Counts use
// the count form: 16 bits, or 0xFFFF followed by 32 bits. Object references are tagged:
// the first object of a class carries the class name and schema, later ones refer to the
// class by index; an object stored twice is stored once and then referred to, so shared
// references and cycles load as the same graph. A null reference has a tag of its own.
//
// Loading trusts nothing: counts and lengths are checked against what the stream still
// holds, indices against what was loaded, classes against what the caller expects, and the
// nesting of objects is bounded. Every failure throws ArchiveError.
//
// A load that fails leaves nothing behind. The outermost readObject (one called while no
// object is being loaded) keeps every object the archive makes until it returns. When it
// fails, for whatever reason, it disposes of them before it rethrows, in two passes over
// them, newest first: unlinkAfterFailedLoad() on each, in which an object drops what it holds
// of objects it got from readObject without destroying any; then releaseAfterFailedLoad() on
// each, which deletes by default. Because no object holds another any more in the second
// pass, each is destroyed exactly once, whatever references, cycles or ownership the objects
// had set up among themselves. Reference-counted classes therefore clear their links in the
// first pass (releasing without deleting) and delete themselves in the second. Objects
// given to mapObject and objects loaded by earlier successful calls are left alone; the
// indices of the objects made are forgotten. On success, a new object belongs to whoever
// called readObject for it: the caller, or the Serialize of the object that refers to it.
// A field that only refers to an object another one owns is read with readReference, which
// makes nothing that no owner claims: such a stray object fails the outermost load.
class PLATCORE_API Archive {
public:
    enum class Mode { store, load };

    Archive(ByteStream& stream, Mode mode);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool isStoring() const { return m_mode == Mode::store; }
    bool isLoading() const { return m_mode == Mode::load; }
    ByteStream& stream() { return m_stream; }

    // The document (or other owner) the objects are stored for; the archive never uses it.
    void setContext(void* context) { m_context = context; }
    void* context() const { return m_context; }

    // Values.
    void writeU8(uint8_t v);
    void writeU16(uint16_t v);
    void writeU32(uint32_t v);
    void writeU64(uint64_t v);
    void writeI8(int8_t v) { writeU8(static_cast<uint8_t>(v)); }
    void writeI16(int16_t v) { writeU16(static_cast<uint16_t>(v)); }
    void writeI32(int32_t v) { writeU32(static_cast<uint32_t>(v)); }
    void writeI64(int64_t v) { writeU64(static_cast<uint64_t>(v)); }
    void writeFloat(float v);
    void writeDouble(double v);
    void writeBytes(const void* data, size_t size);
    void writeString(std::string_view text);
    void writeCount(uint32_t count);

    uint8_t readU8();
    uint16_t readU16();
    uint32_t readU32();
    uint64_t readU64();
    int8_t readI8() { return static_cast<int8_t>(readU8()); }
    int16_t readI16() { return static_cast<int16_t>(readU16()); }
    int32_t readI32() { return static_cast<int32_t>(readU32()); }
    int64_t readI64() { return static_cast<int64_t>(readU64()); }
    float readFloat();
    double readDouble();
    void readBytes(void* buffer, size_t size);
    std::string readString();
    // A count of items that each take at least minItemBytes in the stream; a count the
    // stream cannot hold throws before the caller allocates for it.
    uint32_t readCount(size_t minItemBytes = 1);
    // Throws unless the stream still holds count * itemBytes bytes (when it knows its size).
    void requireAvailable(uint64_t count, uint64_t itemBytes);

    // Objects. writeObject accepts null.
    void writeObject(const Object* object);
    // Loads a reference; null when null was stored. With an expected class, an object of
    // another class throws ArchiveError(badClass), before anything is made. A newly made
    // object is owned by the caller; a reference to an object loaded before returns that
    // same object. A class stored with a schema other than its own throws badSchema unless
    // the class is versionable.
    Object* readObject(const RuntimeClass* expected = nullptr);
    template <class T>
    T* readObjectAs() { return static_cast<T*>(readObject(&T::classObject)); }

    // Loads an object, as readObject, for an owner that must hold it alone (an element's data
    // component, which the element deletes): an object this archive has already handed to such
    // an owner fails the load with ArchiveError, so a damaged stream cannot give it two.
    Object* readExclusiveObject(const RuntimeClass* expected = nullptr);
    template <class T>
    T* readExclusiveObjectAs() { return static_cast<T*>(readExclusiveObject(&T::classObject)); }

    // Loads a reference to an object that something else owns (a back pointer, a table entry, a
    // neighbour): one the archive holds already, or one stored in full here because storing met
    // the reference first, which an owning readObject must then claim before the outermost load
    // ends. A reference to anything else (an object nothing owns, which would be left over)
    // fails the load with ArchiveError. Null when null was stored; the class is checked as for
    // readObject.
    Object* readReference(const RuntimeClass* expected = nullptr);
    template <class T>
    T* readReferenceAs() { return static_cast<T*>(readReference(&T::classObject)); }

    // Loads an object that exists outside the stream and reads its own fields (a list stored
    // without a tag of its own, say) as one load: when it fails, the object first drops what
    // it took (unlinkAfterFailedLoad), then every object made during the whole load is
    // disposed of as for a failed readObject, so objects it read early cannot be left linked
    // to ones made later. The object itself is left to its owner.
    void loadInto(Object& object);

    // Registers an object that exists outside the stream (the performance root, say), so
    // that references to it store and load as references to that object. Storing and
    // loading must map the same objects in the same order, before the objects that refer to
    // them.
    void mapObject(Object* object);

    // Sizes what storing keeps per object for about this many objects (a piece as large as the
    // one stored or loaded last, say), so that it is not made again and again as it grows.
    void reserveObjects(size_t count);
    // How many objects were stored or loaded, mapped ones included.
    size_t objectCount() const { return isStoring() ? m_storedObjects.size() : m_loadedObjects.size(); }

    // The schema the object being loaded was stored with; valid inside its Serialize.
    uint32_t objectSchema() const { return m_loadingSchema; }

    // Objects may nest this deep before the archive gives up, when loading and (so that
    // nothing is stored that could not be loaded) when storing.
    void setMaxDepth(uint32_t depth) { m_maxDepth = depth; }

    void flush() { m_stream.flush(); }

    // Stream-style shorthands for Serialize functions.
    Archive& operator<<(uint8_t v) { writeU8(v); return *this; }
    Archive& operator<<(int8_t v) { writeI8(v); return *this; }
    Archive& operator<<(uint16_t v) { writeU16(v); return *this; }
    Archive& operator<<(int16_t v) { writeI16(v); return *this; }
    Archive& operator<<(uint32_t v) { writeU32(v); return *this; }
    Archive& operator<<(int32_t v) { writeI32(v); return *this; }
    Archive& operator<<(uint64_t v) { writeU64(v); return *this; }
    Archive& operator<<(int64_t v) { writeI64(v); return *this; }
    Archive& operator<<(float v) { writeFloat(v); return *this; }
    Archive& operator<<(double v) { writeDouble(v); return *this; }
    Archive& operator<<(std::string_view v) { writeString(v); return *this; }
    Archive& operator<<(const std::string& v) { writeString(v); return *this; }
    Archive& operator<<(const char* v) { writeString(v); return *this; }
    Archive& operator<<(const Object* v) { writeObject(v); return *this; }

    Archive& operator>>(uint8_t& v) { v = readU8(); return *this; }
    Archive& operator>>(int8_t& v) { v = readI8(); return *this; }
    Archive& operator>>(uint16_t& v) { v = readU16(); return *this; }
    Archive& operator>>(int16_t& v) { v = readI16(); return *this; }
    Archive& operator>>(uint32_t& v) { v = readU32(); return *this; }
    Archive& operator>>(int32_t& v) { v = readI32(); return *this; }
    Archive& operator>>(uint64_t& v) { v = readU64(); return *this; }
    Archive& operator>>(int64_t& v) { v = readI64(); return *this; }
    Archive& operator>>(float& v) { v = readFloat(); return *this; }
    Archive& operator>>(double& v) { v = readDouble(); return *this; }
    Archive& operator>>(std::string& v) { v = readString(); return *this; }

private:
    // A list that grows by blocks, each twice as large as the one before, and never moves what
    // it holds: the lists of a load of millions of objects are neither copied as they grow nor
    // touched twice.
    template <class T>
    class BlockList {
    public:
        BlockList() = default;
        BlockList(BlockList&& other) noexcept
            : m_blocks(std::move(other.m_blocks)),
              m_size(std::exchange(other.m_size, 0)),
              m_capacity(std::exchange(other.m_capacity, 0))
        {
        }
        BlockList& operator=(BlockList&&) = delete;
        BlockList(const BlockList&) = delete;
        BlockList& operator=(const BlockList&) = delete;

        void push_back(const T& value)
        {
            if (m_size == m_capacity) {
                const size_t size = size_t(1) << (kFirstBits + m_blocks.size());
                m_blocks.push_back(std::make_unique_for_overwrite<T[]>(size));
                m_capacity += size;
            }
            (*this)[m_size++] = value;
        }
        T& operator[](size_t index) { return at(index); }
        const T& operator[](size_t index) const { return const_cast<BlockList*>(this)->at(index); }
        size_t size() const { return m_size; }
        bool empty() const { return m_size == 0; }
        // Drops what lies past count; the blocks stay for what comes next.
        void truncate(size_t count) { m_size = std::min(m_size, count); }
        void clear() { m_size = 0; }

    private:
        static constexpr unsigned kFirstBits = 8;
        T& at(size_t index)
        {
            const size_t shifted = index + (size_t(1) << kFirstBits);
            const unsigned top = static_cast<unsigned>(std::bit_width(shifted)) - 1;
            return m_blocks[top - kFirstBits][shifted - (size_t(1) << top)];
        }

        std::vector<std::unique_ptr<T[]>> m_blocks;
        size_t m_size = 0;
        size_t m_capacity = 0;
    };

    struct LoadedClass {
        const RuntimeClass* cls;
        uint32_t schema;
    };

    // What the caller of a load does with the object it gets.
    enum class Holder { reference, owner, soleOwner };

    void checkMode(Mode wanted) const;
    Object* readObjectTagged(const RuntimeClass* expected, Holder holder);
    Object* readAs(const RuntimeClass* expected, Holder holder);
    // Records that the object of this index went to a sole owner; throws when one had it before.
    void claimExclusive(size_t index);
    // Runs one outermost load step: on failure every object made since it began is disposed of.
    template <class Step>
    auto outermost(Step&& step);
    // Throws when an object that a reference made was claimed by no owner.
    void requireClaimed() const;
    const LoadedClass& readClass();
    void discardMadeObjects(size_t loadedBefore);

    ByteStream& m_stream;
    Mode m_mode;
    void* m_context = nullptr;
    uint32_t m_loadingSchema = 0;
    uint32_t m_depth = 0;
    uint32_t m_maxDepth = 2048;

    // Storing: what has been written, in the order written (an object's index is its place
    // here), found by address through an open-addressed table of indices (a piece stores
    // millions of objects: a node of its own per entry would cost more time and memory than
    // the object's record, and a table of 4-byte slots is a quarter of one holding addresses
    // beside the indices), and each class's index.
    // The slot where the object's probe ends: its own, or the empty one it would take.
    size_t probeStored(const Object* object) const;
    // Gives an object that has none the next index; slot is where its probe ended.
    void addStored(const Object* object, size_t slot);
    // Makes the table with at least this many slots (a power of two), or doubles it, and
    // enters every stored object again.
    void growStoredTable(size_t minSlots = 0);
    // A plain vector, for a probe reads it at every object stored: reserved from the expected
    // count, it is not copied as it grows. Both tables reach tens of megabytes for a large
    // piece and are filled at once, hence large pages.
    std::vector<const Object*, LargePageAllocator<const Object*>> m_storedObjects;
    // Per slot, the index of the object in it plus one; 0 for an empty slot.
    std::vector<uint32_t, LargePageAllocator<uint32_t>> m_storedTable;
    std::unordered_map<const RuntimeClass*, uint32_t> m_storedClasses;
    // Loading: what has been read, by index, with its class, so that a reference is checked
    // without a visit to an object loaded long before.
    struct LoadedObject {
        Object* object;
        const RuntimeClass* cls;
    };
    BlockList<LoadedObject> m_loadedObjects;
    std::vector<LoadedClass> m_loadedClasses;
    // The objects made since the outermost readObject began.
    BlockList<Object*> m_madeObjects;
    // Objects a reference made that no owning readObject has claimed yet.
    std::vector<Object*> m_unclaimed;
    // One bit per loaded object, by index: set once a sole owner has it.
    std::vector<uint64_t> m_exclusive;
};

}  // namespace plat
