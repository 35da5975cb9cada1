#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using plat::Archive;
using plat::ArchiveError;
using Cause = plat::ArchiveError::Cause;

// The test classes count their live instances, so every test can see that a failed load
// left nothing behind (and ASan sees double frees).
int g_live = 0;

// A base that lists what an object refers to, so tests can walk and tear down any graph.
class ArcTestObject : public plat::Object {
    PLAT_DECLARE_DYNAMIC(ArcTestObject)
public:
    ArcTestObject() { ++g_live; }
    ~ArcTestObject() override { --g_live; }
    virtual std::vector<plat::Object*> references() const { return {}; }
};
PLAT_IMPLEMENT_DYNAMIC(ArcTestObject, plat::Object)

// Refers to other objects without owning them.
class ArcNode : public ArcTestObject {
    PLAT_DECLARE_SERIAL(ArcNode)
public:
    int32_t value = 0;
    std::string name;
    std::vector<plat::Object*> links;

    std::vector<plat::Object*> references() const override { return links; }
    void Serialize(Archive& ar) override
    {
        if (ar.isStoring()) {
            ar << value << name;
            ar.writeCount(static_cast<uint32_t>(links.size()));
            for (const plat::Object* link : links)
                ar.writeObject(link);
        } else {
            ar >> value >> name;
            const uint32_t count = ar.readCount(1);
            for (uint32_t i = 0; i < count; ++i)
                links.push_back(ar.readObject(&ArcTestObject::classObject));
        }
    }
};
PLAT_IMPLEMENT_SERIAL(ArcNode, ArcTestObject, 1)

// Owns its child outright, as a parent that deletes its parts in its destructor.
class ArcOwner : public ArcTestObject {
    PLAT_DECLARE_SERIAL(ArcOwner)
public:
    std::unique_ptr<ArcNode> child;

    std::vector<plat::Object*> references() const override { return {child.get()}; }
    void Serialize(Archive& ar) override
    {
        if (ar.isStoring())
            ar.writeObject(child.get());
        else
            child.reset(ar.readObjectAs<ArcNode>());
    }
    void unlinkAfterFailedLoad() override { (void)child.release(); }
};
PLAT_IMPLEMENT_SERIAL(ArcOwner, ArcTestObject, 0)

// Owns its child and must hold it alone, as an element holds its data: it deletes the child.
class ArcSoleOwner : public ArcTestObject {
    PLAT_DECLARE_SERIAL(ArcSoleOwner)
public:
    ArcNode* child = nullptr;

    ~ArcSoleOwner() override { delete child; }
    std::vector<plat::Object*> references() const override { return {child}; }
    void Serialize(Archive& ar) override
    {
        if (ar.isStoring())
            ar.writeObject(child);
        else
            child = ar.readExclusiveObjectAs<ArcNode>();
    }
    void unlinkAfterFailedLoad() override { child = nullptr; }
};
PLAT_IMPLEMENT_SERIAL(ArcSoleOwner, ArcTestObject, 0)

// Reference counted, linked both ways: each parent holds a reference on each child and each
// child one on each parent, as the data model's elements do. Starts at count 0.
class ArcCounted : public ArcTestObject {
    PLAT_DECLARE_SERIAL(ArcCounted)
public:
    int refs = 0;
    std::vector<ArcCounted*> children;
    std::vector<ArcCounted*> parents;

    void ref() { ++refs; }
    void unref()
    {
        if (refs > 0)
            --refs;
        if (refs == 0)
            delete this;
    }
    void addChild(ArcCounted* child)
    {
        child->ref();
        children.push_back(child);
        ref();
        child->parents.push_back(this);
    }
    // Takes the graph apart; children nobody holds any more are deleted. The caller holds
    // a reference on this object, so it outlives the call.
    void removeChildren()
    {
        while (!children.empty()) {
            ArcCounted* child = children.back();
            children.pop_back();
            std::erase(child->parents, this);
            --refs;
            child->unref();
        }
    }
    ~ArcCounted() override
    {
        for (ArcCounted* child : children)
            child->unref();
        for (ArcCounted* parent : parents)
            parent->unref();
    }

    std::vector<plat::Object*> references() const override
    {
        std::vector<plat::Object*> all(children.begin(), children.end());
        all.insert(all.end(), parents.begin(), parents.end());
        return all;
    }
    void Serialize(Archive& ar) override
    {
        if (ar.isStoring()) {
            ar.writeCount(static_cast<uint32_t>(children.size()));
            for (const ArcCounted* child : children)
                ar.writeObject(child);
        } else {
            const uint32_t count = ar.readCount(1);
            for (uint32_t i = 0; i < count; ++i) {
                ArcCounted* child = ar.readObjectAs<ArcCounted>();
                if (!child)
                    throw ArchiveError(Cause::generic, "a child list holds no null children");
                addChild(child);
            }
        }
    }
    // Drops every link without deleting anything; the archive deletes each object after.
    void unlinkAfterFailedLoad() override
    {
        children.clear();
        parents.clear();
        refs = 0;
    }
};
PLAT_IMPLEMENT_SERIAL(ArcCounted, ArcTestObject, 0)

// Owns its parts and refers to two objects it does not own: one read before the parts (a part
// met there first is stored in full there), one after them.
class ArcHolder : public ArcTestObject {
    PLAT_DECLARE_SERIAL(ArcHolder)
public:
    plat::Object* before = nullptr;
    std::vector<std::unique_ptr<ArcNode>> parts;
    plat::Object* after = nullptr;

    std::vector<plat::Object*> references() const override
    {
        std::vector<plat::Object*> all{before, after};
        for (const auto& part : parts)
            all.push_back(part.get());
        return all;
    }
    void Serialize(Archive& ar) override
    {
        if (ar.isStoring()) {
            ar.writeObject(before);
            ar.writeCount(static_cast<uint32_t>(parts.size()));
            for (const auto& part : parts)
                ar.writeObject(part.get());
            ar.writeObject(after);
            return;
        }
        before = ar.readReference(&ArcTestObject::classObject);
        const uint32_t count = ar.readCount(1);
        for (uint32_t i = 0; i < count; ++i)
            parts.emplace_back(ar.readObjectAs<ArcNode>());
        after = ar.readReference(&ArcTestObject::classObject);
    }
    void unlinkAfterFailedLoad() override
    {
        for (auto& part : parts)
            (void)part.release();
        parts.clear();
        before = after = nullptr;
    }
};
PLAT_IMPLEMENT_SERIAL(ArcHolder, ArcTestObject, 0)

// Remembers the schema it was loaded with, before and after loading a nested object.
class ArcVersioned : public ArcTestObject {
    PLAT_DECLARE_SERIAL(ArcVersioned)
public:
    uint32_t schemaBefore = 0;
    uint32_t schemaAfter = 0;
    int32_t extra = -1;  // stored from schema 2 on
    plat::Object* nested = nullptr;

    std::vector<plat::Object*> references() const override { return {nested}; }
    void Serialize(Archive& ar) override
    {
        if (ar.isStoring()) {
            ar << extra;
            ar.writeObject(nested);
            return;
        }
        schemaBefore = ar.objectSchema();
        if (schemaBefore >= 2)
            ar >> extra;
        nested = ar.readObject();
        schemaAfter = ar.objectSchema();
    }
};
PLAT_IMPLEMENT_SERIAL(ArcVersioned, ArcTestObject, plat::kVersionableSchema | 2)

class ArcOtherVersioned : public ArcTestObject {
    PLAT_DECLARE_SERIAL(ArcOtherVersioned)
public:
    uint32_t schema = 0;
    void Serialize(Archive& ar) override
    {
        if (ar.isLoading())
            schema = ar.objectSchema();
    }
};
PLAT_IMPLEMENT_SERIAL(ArcOtherVersioned, ArcTestObject, plat::kVersionableSchema | 7)

// Has creation by name but no schema: never stored.
class ArcUnstorable : public ArcTestObject {
    PLAT_DECLARE_DYNCREATE(ArcUnstorable)
};
PLAT_IMPLEMENT_DYNCREATE(ArcUnstorable, ArcTestObject)

// Frees any loaded graph, whatever its shape, with the same two passes a failed load uses.
void destroyGraph(plat::Object* root)
{
    std::vector<plat::Object*> all;
    std::set<plat::Object*> seen;
    std::vector<plat::Object*> pending{root};
    while (!pending.empty()) {
        plat::Object* object = pending.back();
        pending.pop_back();
        if (!object || !seen.insert(object).second)
            continue;
        all.push_back(object);
        if (auto* test = plat::dynamicDowncast<ArcTestObject>(object))
            for (plat::Object* next : test->references())
                pending.push_back(next);
    }
    for (plat::Object* object : all)
        object->unlinkAfterFailedLoad();
    for (plat::Object* object : all)
        object->releaseAfterFailedLoad();
}

std::vector<uint8_t> store(const plat::Object* root)
{
    plat::MemoryStream stream;
    Archive ar(stream, Archive::Mode::store);
    ar.writeObject(root);
    return stream.takeData();
}

// Objects side by side in memory, as a piece's are: each holds its place as its value, and the
// list refers to each in turn.
void numberAndList(std::vector<ArcNode>& items, ArcNode& list)
{
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].value = static_cast<int32_t>(i);
        list.links.push_back(&items[i]);
    }
}

// A stream that cannot tell how much it holds, like a pipe.
class UnsizedStream : public plat::ByteStream {
public:
    explicit UnsizedStream(std::span<const uint8_t> bytes) : m_inner(bytes) {}
    size_t read(void* buffer, size_t size) override { return m_inner.read(buffer, size); }
    void write(const void* data, size_t size) override { m_inner.write(data, size); }
    std::optional<uint64_t> remaining() const override { return std::nullopt; }

private:
    plat::MemoryStream m_inner;
};

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override { g_live = 0; }
    void TearDown() override { EXPECT_EQ(g_live, 0) << "test objects leaked or freed twice"; }

    // a -> b, a -> c, b -> c (shared), c -> a (cycle), a -> null, d -> d (self),
    // and a refers to d; an owner holding e, and e referred to again from a.
    struct Graph {
        ArcNode* a;
        ArcNode* b;
        ArcNode* c;
        ArcNode* d;
        ArcOwner* owner;
        std::vector<std::unique_ptr<plat::Object>> keep;
    };
    static Graph makeGraph()
    {
        Graph g;
        auto a = std::make_unique<ArcNode>();
        auto b = std::make_unique<ArcNode>();
        auto c = std::make_unique<ArcNode>();
        auto d = std::make_unique<ArcNode>();
        auto owner = std::make_unique<ArcOwner>();
        owner->child = std::make_unique<ArcNode>();
        owner->child->value = 5;
        a->value = 1;
        a->name = "first ♪";
        b->value = 2;
        c->value = 3;
        c->name = std::string(300, 'c');
        d->value = 4;
        a->links = {b.get(), c.get(), nullptr, d.get(), owner.get(), owner->child.get()};
        b->links = {c.get()};
        c->links = {a.get()};
        d->links = {d.get()};
        g.a = a.get();
        g.b = b.get();
        g.c = c.get();
        g.d = d.get();
        g.owner = owner.get();
        g.keep.push_back(std::move(a));
        g.keep.push_back(std::move(b));
        g.keep.push_back(std::move(c));
        g.keep.push_back(std::move(d));
        g.keep.push_back(std::move(owner));
        return g;
    }

    // A stored graph with every kind of test object: plain links, ownership, reference
    // counting with links both ways, versioned classes.
    static std::vector<uint8_t> storeRichGraph()
    {
        Graph g = makeGraph();
        auto* top = new ArcCounted;
        top->ref();
        auto* mid = new ArcCounted;
        auto* leaf = new ArcCounted;
        top->addChild(mid);
        top->addChild(leaf);
        mid->addChild(leaf);
        auto versioned = std::make_unique<ArcVersioned>();
        versioned->extra = 77;
        versioned->nested = g.a;
        // Refers to its first part before owning it, and to c, which the holder below has.
        auto parted = std::make_unique<ArcHolder>();
        parted->parts.push_back(std::make_unique<ArcNode>());
        parted->parts.push_back(std::make_unique<ArcNode>());
        parted->before = parted->parts.front().get();
        parted->after = g.c;
        auto holder = std::make_unique<ArcNode>();
        holder->links = {versioned.get(), top, g.c, parted.get()};
        std::vector<uint8_t> bytes = store(holder.get());
        mid->removeChildren();
        top->removeChildren();
        top->unref();
        return bytes;
    }

    static plat::Object* load(std::span<const uint8_t> bytes)
    {
        plat::MemoryStream stream(bytes);
        Archive ar(stream, Archive::Mode::load);
        return ar.readObject();
    }
};

TEST_F(ArchiveTest, ValuesAreLittleEndianAndRoundTrip)
{
    plat::MemoryStream stream;
    {
        Archive ar(stream, Archive::Mode::store);
        ar.writeU32(0x01020304u);
        ar << uint8_t{0xAB} << uint16_t{0xBEEF} << uint64_t{0x0102030405060708ull};
        ar << int8_t{-1} << int16_t{-2} << int32_t{INT32_MIN} << int64_t{INT64_MIN};
        ar << 1.5f << -0.0 << std::numeric_limits<double>::denorm_min() << std::numeric_limits<float>::infinity();
        ar.writeDouble(std::numeric_limits<double>::quiet_NaN());
    }
    const std::span<const uint8_t> bytes = stream.bytes();
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4), (std::vector<uint8_t>{4, 3, 2, 1}));

    Archive ar(stream, Archive::Mode::load);
    EXPECT_EQ(ar.readU32(), 0x01020304u);
    EXPECT_EQ(ar.readU8(), 0xAB);
    EXPECT_EQ(ar.readU16(), 0xBEEF);
    EXPECT_EQ(ar.readU64(), 0x0102030405060708ull);
    EXPECT_EQ(ar.readI8(), -1);
    EXPECT_EQ(ar.readI16(), -2);
    EXPECT_EQ(ar.readI32(), INT32_MIN);
    EXPECT_EQ(ar.readI64(), INT64_MIN);
    EXPECT_EQ(ar.readFloat(), 1.5f);
    const double negativeZero = ar.readDouble();
    EXPECT_TRUE(negativeZero == 0.0 && std::signbit(negativeZero));
    EXPECT_EQ(ar.readDouble(), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(ar.readFloat(), std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(ar.readDouble()));
    EXPECT_EQ(stream.remaining(), 0u);
    try {
        ar.readU8();
        FAIL() << "read past the end";
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.cause(), Cause::endOfFile);
    }
}

TEST_F(ArchiveTest, CountFormAtItsBoundaries)
{
    struct Case {
        uint32_t count;
        size_t bytes;
    };
    for (const Case c : {Case{0, 2}, Case{1, 2}, Case{0xFFFE, 2}, Case{0xFFFF, 6}, Case{0x10000, 6},
                         Case{70000, 6}, Case{UINT32_MAX, 6}}) {
        plat::MemoryStream stream;
        Archive(stream, Archive::Mode::store).writeCount(c.count);
        EXPECT_EQ(stream.bytes().size(), c.bytes) << c.count;
        Archive ar(stream, Archive::Mode::load);
        EXPECT_EQ(ar.readCount(0), c.count);
    }
}

TEST_F(ArchiveTest, SeventyThousandObjectsThroughTheCountForm)
{
    constexpr int kItems = 70000;
    ArcNode list;
    std::vector<std::unique_ptr<ArcNode>> items;
    for (int i = 0; i < kItems; ++i) {
        items.push_back(std::make_unique<ArcNode>());
        items.back()->value = i;
        list.links.push_back(items.back().get());
    }
    const std::vector<uint8_t> bytes = store(&list);

    auto* loaded = dynamic_cast<ArcNode*>(load(bytes));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->links.size(), size_t(kItems));
    for (int i = 0; i < kItems; ++i)
        ASSERT_EQ(static_cast<ArcNode*>(loaded->links[i])->value, i);
    destroyGraph(loaded);
}

// Objects side by side in memory, as a piece's are, stored and then referred to again in
// another order: each is found through every growth of the table, whichever neighbours took
// the slots around it, and its later references load as the same object.
TEST_F(ArchiveTest, ObjectsStoredOnceAreFoundAgainInAnyOrder)
{
    constexpr size_t kItems = 50000;
    std::vector<ArcNode> items(kItems);
    ArcNode list;
    numberAndList(items, list);
    // Backwards in strides, so that references land all over the table.
    std::vector<size_t> again;
    for (size_t start = 0; start < 7; ++start) {
        for (size_t i = kItems - 1 - start; i < kItems; i -= 7)
            again.push_back(i);
    }
    ASSERT_EQ(again.size(), kItems);
    for (const size_t i : again)
        list.links.push_back(&items[i]);
    const std::vector<uint8_t> bytes = store(&list);

    auto* loaded = dynamic_cast<ArcNode*>(load(bytes));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->links.size(), 2 * kItems);
    for (size_t n = 0; n < kItems; ++n) {
        ASSERT_EQ(static_cast<ArcNode*>(loaded->links[n])->value, static_cast<int32_t>(n));
        ASSERT_EQ(loaded->links[kItems + n], loaded->links[again[n]]) << n;
    }
    destroyGraph(loaded);
}

// A store sized beforehand for the objects (as a save is for those of the last one) writes the
// same bytes as one that grows as it goes, with too small or too large a size as well; and a
// load that fails after thousands of objects frees every one of them.
TEST_F(ArchiveTest, SizedStoresWriteTheSameBytesAndALongFailedLoadFreesAll)
{
    constexpr size_t kItems = 5000;
    std::vector<ArcNode> items(kItems);
    ArcNode list;
    numberAndList(items, list);
    for (size_t i = 0; i < kItems; ++i)
        items[i].links = {&items[(i * 31) % kItems]};
    const std::vector<uint8_t> grown = store(&list);
    for (const size_t reserved : {size_t(0), size_t(10), kItems + 1, 40 * kItems}) {
        plat::MemoryStream stream;
        Archive ar(stream, Archive::Mode::store);
        ar.reserveObjects(reserved);
        ar.writeObject(&list);
        EXPECT_EQ(ar.objectCount(), kItems + 1) << reserved;
        EXPECT_EQ(stream.takeData(), grown) << reserved;
    }

    for (const size_t kept : {grown.size() / 3, grown.size() - 1}) {
        plat::MemoryStream stream{std::span<const uint8_t>(grown.data(), kept)};
        Archive ar(stream, Archive::Mode::load);
        EXPECT_THROW(ar.readObject(), plat::ArchiveError) << kept;
        EXPECT_EQ(ar.objectCount(), 0u) << kept;
    }
}

TEST_F(ArchiveTest, StringsRoundTrip)
{
    const std::vector<std::string> texts = {"", "a", "Größe ♪ 音", std::string(70000, 'x'), std::string("a\0b", 3)};
    plat::MemoryStream stream;
    {
        Archive ar(stream, Archive::Mode::store);
        for (const std::string& text : texts)
            ar << text;
    }
    Archive ar(stream, Archive::Mode::load);
    for (const std::string& text : texts)
        EXPECT_EQ(ar.readString(), text);
}

TEST_F(ArchiveTest, SharedReferencesCyclesAndNullsLoadAsTheSameGraph)
{
    const Graph g = makeGraph();
    const std::vector<uint8_t> bytes = store(g.a);

    auto* a = dynamic_cast<ArcNode*>(load(bytes));
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->links.size(), 6u);
    auto* b = dynamic_cast<ArcNode*>(a->links[0]);
    auto* c = dynamic_cast<ArcNode*>(a->links[1]);
    auto* d = dynamic_cast<ArcNode*>(a->links[3]);
    auto* owner = dynamic_cast<ArcOwner*>(a->links[4]);
    ASSERT_TRUE(b && c && d && owner);
    EXPECT_EQ(a->value, 1);
    EXPECT_EQ(a->name, "first ♪");
    EXPECT_EQ(c->name, std::string(300, 'c'));
    EXPECT_EQ(a->links[2], nullptr);
    EXPECT_EQ(b->links, std::vector<plat::Object*>{c});        // shared: the same c
    EXPECT_EQ(c->links, std::vector<plat::Object*>{a});        // cycle back to the root
    EXPECT_EQ(d->links, std::vector<plat::Object*>{d});        // self reference
    EXPECT_EQ(a->links[5], owner->child.get());                // owned part referred to again
    EXPECT_EQ(owner->child->value, 5);
    EXPECT_EQ(g_live, 12);  // the six stored objects and their six copies
    destroyGraph(a);
}

TEST_F(ArchiveTest, ClassesAndObjectsAreStoredOnce)
{
    ArcNode shared;
    shared.name = std::string(100, 's');
    ArcNode once;
    once.links = {&shared};
    ArcNode hundred;
    for (int i = 0; i < 100; ++i)
        hundred.links.push_back(&shared);
    // Every further reference costs a tag and an index, never a copy of the object.
    EXPECT_LE(store(&hundred).size() - store(&once).size(), 99u * 5u);
}

TEST_F(ArchiveTest, MappedObjectsAndContext)
{
    ArcNode outside;  // exists before the load, as a performance root
    ArcNode inner;
    inner.links = {&outside};
    plat::MemoryStream stream;
    {
        Archive ar(stream, Archive::Mode::store);
        ar.mapObject(&outside);
        ar.writeObject(&inner);
    }
    ArcNode outsideAgain;
    int document = 0;
    Archive ar(stream, Archive::Mode::load);
    ar.setContext(&document);
    ar.mapObject(&outsideAgain);
    auto* loaded = ar.readObjectAs<ArcNode>();
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(ar.context(), &document);
    EXPECT_EQ(loaded->links, std::vector<plat::Object*>{&outsideAgain});
    delete loaded;
}

TEST_F(ArchiveTest, AMappedObjectIsNoSoleOwnersToTake)
{
    auto outside = std::make_unique<ArcNode>();
    ArcSoleOwner owner;
    owner.child = outside.get();
    plat::MemoryStream stream;
    {
        Archive ar(stream, Archive::Mode::store);
        ar.mapObject(outside.get());
        ar.writeObject(&owner);
    }
    owner.child = nullptr;
    ArcNode outsideAgain;
    Archive ar(stream, Archive::Mode::load);
    ar.mapObject(&outsideAgain);
    const int live = g_live;
    // Taken, the object the caller holds would be deleted by its new owner as well.
    EXPECT_THROW(ar.readObject(), ArchiveError);
    EXPECT_EQ(g_live, live);
}

TEST_F(ArchiveTest, SchemaIsReadableWhileLoadingAndRestoredAroundNestedObjects)
{
    ArcOtherVersioned inner;
    ArcVersioned outer;
    outer.extra = 42;
    outer.nested = &inner;
    auto* loaded = dynamic_cast<ArcVersioned*>(load(store(&outer)));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->schemaBefore, 2u);
    EXPECT_EQ(loaded->schemaAfter, 2u);
    EXPECT_EQ(loaded->extra, 42);
    auto* nested = dynamic_cast<ArcOtherVersioned*>(loaded->nested);
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(nested->schema, 7u);
    destroyGraph(loaded);
}

// Streams written by hand in the archive's framing: a tag, then the class name and schema.
std::vector<uint8_t> classHeader(std::string_view name, uint32_t schema)
{
    plat::MemoryStream stream;
    Archive ar(stream, Archive::Mode::store);
    ar.writeU8(1);
    ar.writeString(name);
    ar.writeU32(schema);
    return stream.takeData();
}

TEST_F(ArchiveTest, VersionableClassLoadsAnOlderSchema)
{
    std::vector<uint8_t> bytes = classHeader("ArcVersioned", 1);
    bytes.push_back(0);  // no extra field below schema 2; a null nested object
    auto* loaded = dynamic_cast<ArcVersioned*>(load(bytes));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->schemaBefore, 1u);
    EXPECT_EQ(loaded->extra, -1);
    delete loaded;
}

TEST_F(ArchiveTest, MalformedStreamsGiveTheirCause)
{
    auto with = [](std::vector<uint8_t> bytes, std::initializer_list<uint8_t> more) {
        bytes.insert(bytes.end(), more);
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        Cause cause;
    };
    const std::vector<Case> cases = {
        {"empty stream", {}, Cause::endOfFile},
        {"unknown tag", {9}, Cause::generic},
        {"object index never loaded", {3, 0, 0, 0, 0}, Cause::badIndex},
        {"class index never loaded", {2, 0, 0, 0, 0}, Cause::badIndex},
        {"unknown class", classHeader("NoSuchClass", 1), Cause::badClass},
        {"empty class name", classHeader("", 1), Cause::badClass},
        {"class that cannot be made", classHeader("ArcTestObject", 1), Cause::badClass},
        {"class that is never stored", classHeader("ArcUnstorable", plat::kNoSchema), Cause::badClass},
        {"other schema of a fixed class", classHeader("ArcNode", 2), Cause::badSchema},
        {"string longer than the data", with(classHeader("ArcNode", 1), {0, 0, 0, 0, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF}),
         Cause::endOfFile},
        {"count longer than the data", with(classHeader("ArcNode", 1), {0, 0, 0, 0, 0, 0, 0xFE, 0xFF}), Cause::endOfFile},
        {"object referring to a later one", with(classHeader("ArcNode", 1), {0, 0, 0, 0, 0, 0, 1, 0, 3, 1, 0, 0, 0}),
         Cause::badIndex},
    };
    for (const Case& c : cases) {
        try {
            destroyGraph(load(c.bytes));
            ADD_FAILURE() << c.what << ": loaded";
        } catch (const ArchiveError& e) {
            EXPECT_EQ(e.cause(), c.cause) << c.what << ": " << e.what();
        }
        EXPECT_EQ(g_live, 0) << c.what;
    }
}

TEST_F(ArchiveTest, HugeLengthInAStreamOfUnknownSizeEndsAtTheEnd)
{
    const std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 'a', 'b'};
    UnsizedStream stream(bytes);
    Archive ar(stream, Archive::Mode::load);
    try {
        ar.readString();
        FAIL() << "read a string longer than the data";
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.cause(), Cause::endOfFile);
    }
}

TEST_F(ArchiveTest, WrongClassIsRefused)
{
    ArcNode node;
    ArcOwner owner;
    owner.child = std::make_unique<ArcNode>();
    const std::vector<uint8_t> nodeBytes = store(&node);
    plat::MemoryStream pairStream;
    {
        Archive ar(pairStream, Archive::Mode::store);
        ar.writeObject(&owner);
        ar.writeObject(&owner);
    }

    plat::MemoryStream stream(nodeBytes);
    Archive ar(stream, Archive::Mode::load);
    try {
        ar.readObjectAs<ArcOwner>();
        FAIL() << "an ArcNode loaded as an ArcOwner";
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.cause(), Cause::badClass);
    }
    EXPECT_EQ(g_live, 3);  // nothing was made

    // A reference to an object loaded before is checked as well.
    Archive pairArchive(pairStream, Archive::Mode::load);
    plat::Object* first = pairArchive.readObjectAs<ArcOwner>();
    ASSERT_NE(first, nullptr);
    try {
        pairArchive.readObjectAs<ArcNode>();
        FAIL() << "a reference to an ArcOwner loaded as an ArcNode";
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.cause(), Cause::badClass);
    }
    EXPECT_EQ(g_live, 5);  // the ArcOwner loaded before stays
    destroyGraph(first);
}

TEST_F(ArchiveTest, ObjectsThatCannotBeStoredAreRefused)
{
    ArcUnstorable unstorable;
    plat::MemoryStream stream;
    Archive ar(stream, Archive::Mode::store);
    try {
        ar.writeObject(&unstorable);
        FAIL() << "stored a class without a schema";
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.cause(), Cause::badClass);
    }
}

TEST_F(ArchiveTest, NestingIsBoundedWhenStoringAndLoading)
{
    std::vector<std::unique_ptr<ArcNode>> chain;
    for (int i = 0; i < 100; ++i) {
        chain.push_back(std::make_unique<ArcNode>());
        if (i > 0)
            chain[i - 1]->links.push_back(chain[i].get());
    }
    const std::vector<uint8_t> bytes = store(chain.front().get());

    plat::MemoryStream stream(bytes);
    Archive ar(stream, Archive::Mode::load);
    ar.setMaxDepth(50);
    EXPECT_THROW(ar.readObject(), ArchiveError);
    EXPECT_EQ(g_live, 100);  // the partly loaded chain was released

    plat::MemoryStream out;
    Archive storing(out, Archive::Mode::store);
    storing.setMaxDepth(50);
    EXPECT_THROW(storing.writeObject(chain.front().get()), ArchiveError);
}

TEST_F(ArchiveTest, RichGraphRoundTripsAndTearsDown)
{
    const std::vector<uint8_t> bytes = storeRichGraph();
    ASSERT_EQ(g_live, 0);
    auto* holder = dynamic_cast<ArcNode*>(load(bytes));
    ASSERT_NE(holder, nullptr);
    ASSERT_EQ(holder->links.size(), 4u);
    auto* parted = dynamic_cast<ArcHolder*>(holder->links[3]);
    ASSERT_NE(parted, nullptr);
    ASSERT_EQ(parted->parts.size(), 2u);
    EXPECT_EQ(parted->before, parted->parts.front().get());
    EXPECT_EQ(parted->after, holder->links[2]);
    auto* top = dynamic_cast<ArcCounted*>(holder->links[1]);
    ASSERT_NE(top, nullptr);
    ASSERT_EQ(top->children.size(), 2u);
    ArcCounted* mid = top->children[0];
    ArcCounted* leaf = top->children[1];
    EXPECT_EQ(mid->children, std::vector<ArcCounted*>{leaf});
    EXPECT_EQ(leaf->parents, (std::vector<ArcCounted*>{mid, top}));  // mid linked it while loading inside top
    EXPECT_EQ(leaf->refs, 2);
    auto* versioned = dynamic_cast<ArcVersioned*>(holder->links[0]);
    ASSERT_NE(versioned, nullptr);
    EXPECT_EQ(versioned->extra, 77);
    auto* a = dynamic_cast<ArcNode*>(versioned->nested);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->links[1], holder->links[2]);  // c, reached from a and from the holder
    destroyGraph(holder);
}

// Every prefix of a valid stream is a truncated stream: each must fail cleanly.
TEST_F(ArchiveTest, EveryTruncationFailsWithoutLeaks)
{
    const std::vector<uint8_t> bytes = storeRichGraph();
    for (size_t length = 0; length < bytes.size(); ++length) {
        const std::span<const uint8_t> prefix(bytes.data(), length);
        try {
            destroyGraph(load(prefix));
            ADD_FAILURE() << "a prefix of " << length << " bytes loaded";
        } catch (const ArchiveError& e) {
            EXPECT_EQ(e.cause(), Cause::endOfFile) << length << ": " << e.what();
        }
        ASSERT_EQ(g_live, 0) << "after a prefix of " << length << " bytes";
    }
}

// Each byte replaced with a few values: the load either succeeds or throws ArchiveError;
// it never crashes, hangs, allocates wildly or leaks.
TEST_F(ArchiveTest, CorruptedBytesFailCleanlyOrLoad)
{
    const std::vector<uint8_t> bytes = storeRichGraph();
    int failures = 0;
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (const uint8_t value : {uint8_t(0x00), uint8_t(0xFF), uint8_t(bytes[at] ^ 0x01), uint8_t(bytes[at] ^ 0x80),
                                    uint8_t(0x7F), uint8_t(0x03)}) {
            if (value == bytes[at])
                continue;
            std::vector<uint8_t> corrupt = bytes;
            corrupt[at] = value;
            for (const bool sized : {true, false}) {
                try {
                    plat::Object* root = nullptr;
                    if (sized) {
                        root = load(corrupt);
                    } else {
                        UnsizedStream stream(corrupt);
                        Archive ar(stream, Archive::Mode::load);
                        root = ar.readObject();
                    }
                    destroyGraph(root);
                } catch (const ArchiveError&) {
                    ++failures;
                }
                ASSERT_EQ(g_live, 0) << "byte " << at << " set to " << int(value);
            }
        }
    }
    EXPECT_GT(failures, 0);
}

// A reference names an object the archive holds or one an owner then reads; an object that a
// reference made and nothing claims fails the load, wherever the reference is read, and nothing
// of the load is left.
TEST_F(ArchiveTest, AReferenceToAnObjectNothingOwnsFailsTheLoad)
{
    auto stranger = std::make_unique<ArcNode>();
    auto owned = std::make_unique<ArcNode>();
    struct Case {
        const char* what;
        plat::Object* before;
        plat::Object* after;
        bool loads;
    };
    const Case cases[] = {
        {"a part, then a part", owned.get(), owned.get(), true},
        {"nothing", nullptr, nullptr, true},
        {"an object no part is, before the parts", stranger.get(), nullptr, false},
        {"an object no part is, after them", owned.get(), stranger.get(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ArcHolder holder;
        holder.parts.push_back(std::move(owned));
        holder.before = c.before;
        holder.after = c.after;
        const std::vector<uint8_t> bytes = store(&holder);
        owned = std::move(holder.parts.front());
        holder.parts.clear();
        const int live = g_live;
        if (c.loads) {
            plat::Object* loaded = load(bytes);
            auto* back = dynamic_cast<ArcHolder*>(loaded);
            ASSERT_NE(back, nullptr);
            EXPECT_EQ(back->before, c.before ? back->parts.front().get() : nullptr);
            EXPECT_EQ(back->after, c.after ? back->parts.front().get() : nullptr);
            destroyGraph(loaded);
        } else {
            EXPECT_THROW(load(bytes), ArchiveError);
        }
        EXPECT_EQ(g_live, live) << "nothing of the load is left";
    }

    // A reference read on its own, outside any object.
    const std::vector<uint8_t> bytes = store(stranger.get());
    plat::MemoryStream stream{std::span<const uint8_t>(bytes)};
    Archive ar(stream, Archive::Mode::load);
    const int live = g_live;
    EXPECT_THROW(ar.readReference(), ArchiveError);
    EXPECT_EQ(g_live, live);
}

TEST_F(ArchiveTest, AnObjectGoesToOneSoleOwnerOnly)
{
    auto shared = std::make_unique<ArcNode>();
    ArcSoleOwner first;
    ArcSoleOwner second;
    first.child = second.child = shared.get();
    // The list refers to the owners and the object in this order; plain links own nothing alone.
    struct Case {
        const char* what;
        std::vector<plat::Object*> links;
        bool loads;
    };
    const Case cases[] = {
        {"a sole owner, then plain links to its object", {&first, shared.get(), shared.get()}, true},
        {"a plain link, then the sole owner", {shared.get(), &first}, true},
        {"two sole owners", {&first, &second}, false},
        {"two sole owners with a plain link between", {&first, shared.get(), &second}, false},
    };
    std::vector<std::vector<uint8_t>> stored;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ArcNode list;
        list.links = c.links;
        stored.push_back(store(&list));
        const int live = g_live;
        if (c.loads)
            destroyGraph(load(stored.back()));
        else
            EXPECT_THROW(load(stored.back()), ArchiveError);
        EXPECT_EQ(g_live, live) << "nothing of the load is left";
    }

    // After a failed load the archive numbers its next objects from where the failed one began:
    // the object that then takes the claimed one's number is free for its own sole owner.
    std::vector<uint8_t> both = stored[2];
    both.insert(both.end(), stored[0].begin(), stored[0].end());
    plat::MemoryStream stream{std::span<const uint8_t>(both)};
    Archive ar(stream, Archive::Mode::load);
    const int live = g_live;
    EXPECT_THROW(ar.readObject(), ArchiveError);
    EXPECT_EQ(g_live, live);
    plat::Object* loaded = nullptr;
    EXPECT_NO_THROW(loaded = ar.readObject());
    destroyGraph(loaded);
    EXPECT_EQ(g_live, live);
    first.child = second.child = nullptr;
}

TEST_F(ArchiveTest, WritingWhileLoadingIsAnError)
{
    plat::MemoryStream stream;
    Archive ar(stream, Archive::Mode::load);
    EXPECT_THROW(ar.writeU8(1), ArchiveError);
    Archive storing(stream, Archive::Mode::store);
    EXPECT_THROW(storing.readU8(), ArchiveError);
}

}  // namespace
