#include "notabase/lists/MCBitArray.h"
#include "notabase/lists/MCFuncList.h"
#include "notabase/lists/MCMapStringToPtr.h"
#include "notabase/lists/MCObList.h"
#include "notabase/lists/MCPtrList.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::vector<int> values(const MCPtrList& list)
{
    std::vector<int> result;
    for (void* item : list)
        result.push_back(static_cast<int>(reinterpret_cast<intptr_t>(item)));
    return result;
}

void* item(intptr_t n)
{
    return reinterpret_cast<void*>(n);
}

TEST(MCPtrListTest, InsertsListsInTheirOwnOrder)
{
    MCPtrList other;
    other.AddTail(item(7));
    other.AddTail(item(8));

    MCPtrList list;
    list.AddTail(item(1));
    const MCPosition two = list.AddTail(item(2));
    list.AddTail(item(3));
    list.AddHead(other);
    EXPECT_EQ(values(list), (std::vector<int>{7, 8, 1, 2, 3}));
    list.AddTail(other);
    EXPECT_EQ(values(list), (std::vector<int>{7, 8, 1, 2, 3, 7, 8}));
    list.InsertBefore(two, other);
    EXPECT_EQ(values(list), (std::vector<int>{7, 8, 1, 7, 8, 2, 3, 7, 8}));
    list.InsertAfter(two, other);
    EXPECT_EQ(values(list), (std::vector<int>{7, 8, 1, 7, 8, 2, 7, 8, 3, 7, 8}));

    MCPtrList self;
    self.AddTail(item(1));
    self.AddTail(item(2));
    self.AddTail(self);
    EXPECT_EQ(values(self), (std::vector<int>{1, 2, 1, 2}));
}

TEST(MCPtrListTest, PositionsFindAndRemove)
{
    MCPtrList list;
    for (int i = 1; i <= 4; ++i)
        list.AddTail(item(i));
    list.AddTail(item(2));
    EXPECT_EQ(list.FindIndex(5), nullptr);
    EXPECT_EQ(list.FindIndex(-1), nullptr);
    EXPECT_EQ(list.GetAt(list.FindIndex(0)), item(1));
    const MCPosition first = list.Find(item(2));
    EXPECT_EQ(list.GetAt(list.Find(item(2), first)), item(2));
    EXPECT_EQ(list.Find(item(2), list.Find(item(2), first)), nullptr);
    EXPECT_EQ(list.RemoveAt(first), item(2));
    EXPECT_EQ(list.RemoveHead(), item(1));
    EXPECT_EQ(list.RemoveTail(), item(2));
    EXPECT_EQ(values(list), (std::vector<int>{3, 4}));
    MCPosition p = list.GetTailPosition();
    EXPECT_EQ(list.GetPrev(p), item(4));
    EXPECT_EQ(list.GetPrev(p), item(3));
    EXPECT_EQ(p, nullptr);
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    // Removing from an empty list and reading a null position are harmless.
    EXPECT_EQ(list.RemoveHead(), nullptr);
    EXPECT_EQ(list.RemoveTail(), nullptr);
    EXPECT_EQ(list.GetNext(p), nullptr);
    EXPECT_EQ(list.GetCount(), 0);
}

// Nodes come from blocks and freed ones are used again: across many blocks the order, the
// positions still held and the count stay right through removals, refills and emptying.
TEST(MCPtrListTest, LongListsKeepPositionsThroughRemovalsAndRefills)
{
    constexpr int kItems = 5000;
    MCPtrList list;
    std::vector<MCPosition> positions;
    for (int i = 0; i < kItems; ++i)
        positions.push_back(list.AddTail(item(i)));
    for (int i = 0; i < kItems; i += 2)
        list.RemoveAt(positions[size_t(i)]);
    for (int i = 1; i < kItems; i += 2)
        ASSERT_EQ(list.GetAt(positions[size_t(i)]), item(i)) << i;
    // The freed nodes take new items among the kept ones.
    for (int i = 1; i < kItems; i += 2)
        list.InsertBefore(positions[size_t(i)], item(-i));
    std::vector<int> expected;
    for (int i = 1; i < kItems; i += 2) {
        expected.push_back(-i);
        expected.push_back(i);
    }
    EXPECT_EQ(values(list), expected);
    EXPECT_EQ(list.GetCount(), kItems);

    for (int round = 0; round < 2; ++round) {
        list.RemoveAll();
        EXPECT_TRUE(list.IsEmpty());
        EXPECT_EQ(list.GetHeadPosition(), nullptr);
        for (int i = 0; i < 3; ++i)
            list.AddHead(item(i));
        EXPECT_EQ(values(list), (std::vector<int>{2, 1, 0}));
    }
    while (!list.IsEmpty())
        list.RemoveTail();
    list.AddTail(item(9));
    EXPECT_EQ(values(list), (std::vector<int>{9}));
}

TEST(MCObListTest, ClassFilteredStepsAndArchiveRecord)
{
    TENote note(1.0f);
    TEMeasure measure(0.0f);
    TENote note2(2.0f);
    MCObList list;
    list.AddTail(&note);
    list.AddTail(&measure);
    list.AddTail(&note2);

    MCPosition p = list.GetHeadPosition();
    EXPECT_EQ(list.GetNext(p, &TEMeasure::classObject), &measure);
    EXPECT_EQ(list.GetNext(p, &TEMeasure::classObject), nullptr);
    p = list.GetTailPosition();
    EXPECT_EQ(list.GetPrev(p, &ECWithTime::classObject), &note2);
    EXPECT_EQ(list.GetPrev(p, &ECWithTime::classObject), &note);
    p = list.GetHeadPosition();
    EXPECT_EQ(list.GetNext(p, nullptr), &note);

    const auto bytes = storeObject(&list);
    std::unique_ptr<plat::Object> loaded(loadObject(bytes));
    auto* copy = plat::dynamicDowncast<MCObList>(loaded.get());
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->GetCount(), 3);
    std::vector<std::unique_ptr<plat::Object>> owned;
    for (plat::Object* item : *copy)
        owned.emplace_back(item);
    EXPECT_EQ(owned[1]->runtimeClass(), &TEMeasure::classObject);
    EXPECT_EQ(static_cast<TENote*>(owned[2].get())->GetTime()->GetSeconds(), 2.0f);
}

TEST(MCObListTest, CountFormCarriesLongLists)
{
    for (int count : {0xFFFE, 0xFFFF, 70000}) {
        MCObList list;
        for (int i = 0; i < count; ++i)
            list.AddTail(nullptr);
        const auto bytes = storeObject(&list);
        std::unique_ptr<plat::Object> loaded(loadObject(bytes));
        EXPECT_EQ(static_cast<MCObList*>(loaded.get())->GetCount(), count);
    }
}

struct CallLog {
    std::vector<std::string> calls;
};

int callA(ECBase*, int code, void* param, void* data)
{
    static_cast<CallLog*>(data)->calls.push_back("A" + std::to_string(code) + (param ? "p" : ""));
    return 1;
}

int callB(ECBase*, int code, void*, void* data)
{
    static_cast<CallLog*>(data)->calls.push_back("B" + std::to_string(code));
    return 0;
}

MCFuncList* s_listToShrink = nullptr;

int removeB(ECBase*, int, void*, void* data)
{
    static_cast<CallLog*>(data)->calls.push_back("R");
    s_listToShrink->RemoveCallback(&callB);
    return 0;
}

TEST(MCFuncListTest, CallsInOrderWithTheirData)
{
    MCFuncList list;
    CallLog log;
    EXPECT_EQ(list.CallCallbacks(nullptr, 1, nullptr), 0);
    EXPECT_TRUE(log.calls.empty());

    list.AddCallback(&callB, &log);
    list.InsertCallback(&callA, &log, list.GetHeadPosition());
    list.InsertCallback(&callB, &log, nullptr);
    int param = 0;
    EXPECT_EQ(list.CallCallbacks(nullptr, 5, &param), 0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"B5", "A5p", "B5"}));

    list.RemoveCallback(&callB);
    log.calls.clear();
    list.CallCallbacks(nullptr, 2, nullptr);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"A2", "B2"}));
    list.RemoveCallback(&removeB);
    EXPECT_EQ(list.GetCount(), 2);
}

TEST(MCFuncListTest, ACallbackMayRemoveALaterOne)
{
    MCFuncList list;
    CallLog log;
    s_listToShrink = &list;
    list.AddCallback(&removeB, &log);
    list.AddCallback(&callB, &log);
    list.CallCallbacks(nullptr, 3, nullptr);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"R"}));
    EXPECT_EQ(list.GetCount(), 1);
    s_listToShrink = nullptr;
}

TEST(MCBitArrayTest, BitsWordsAndCopies)
{
    MCBitArray bits(17);
    EXPECT_EQ(bits.GetWordCount(), 2);
    EXPECT_EQ(bits.GetAll(), 0);
    bits.Set(16);
    EXPECT_NE(bits.Get(16), 0);
    EXPECT_EQ(bits.Get(15), 0);
    EXPECT_EQ(bits.GetAll(), 1);
    MCBitArray copy;
    copy = bits;
    bits.ClearAll();
    EXPECT_EQ(bits.GetAll(), 0);
    EXPECT_EQ(copy.Get(16), 1);
    copy.Clear(16);
    EXPECT_EQ(copy.GetAll(), 0);
    // Bits beyond the size are ignored rather than written past the storage.
    copy.Set(17);
    copy.Set(-1);
    EXPECT_EQ(copy.GetAll(), 0);
    EXPECT_EQ(copy.Get(1000), 0);
    copy.SetSize(0);
    EXPECT_EQ(copy.GetWordCount(), 0);
}

TEST(MCMapStringToPtrTest, KeysAreExactAndKeptWhole)
{
    MCMapStringToPtr map;
    void* value = nullptr;
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    map.SetAt("Abc", item(1));
    map["abc"] = item(2);
    const std::string longA(80, 'x');
    const std::string longB = std::string(60, 'x') + std::string(20, 'y');
    map.SetAt(longA, item(3));
    map.SetAt(longB, item(4));
    EXPECT_EQ(map.GetCount(), 4);
    ASSERT_EQ(map.Lookup("Abc", value), 1);
    EXPECT_EQ(value, item(1));
    ASSERT_EQ(map.Lookup(longA, value), 1);
    EXPECT_EQ(value, item(3));
    ASSERT_EQ(map.Lookup(longB, value), 1);
    EXPECT_EQ(value, item(4));
    EXPECT_EQ(map.Lookup("ABC", value), 0);
    EXPECT_EQ(map.RemoveKey("abc", 0), 1);
    EXPECT_EQ(map.RemoveKey("abc", 0), 0);
    EXPECT_EQ(map.GetCount(), 3);
}

TEST(MCMapStringToPtrTest, HashAndIterationOrder)
{
    EXPECT_EQ(MCMapStringToPtr::HashKey(""), 0u);
    EXPECT_EQ(MCMapStringToPtr::HashKey("ab"), 97u * 33u + 98u);
    // Characters are taken as signed bytes.
    EXPECT_EQ(MCMapStringToPtr::HashKey("\xE9"), static_cast<uint32_t>(-23));

    MCMapStringToPtr map;
    std::vector<std::string> keys;
    for (int i = 0; i < 200; ++i)
        keys.push_back("key" + std::to_string(i));
    for (const auto& k : keys)
        map[k] = item(1);
    std::vector<std::pair<uint32_t, std::string>> visited;
    MCPosition p = map.GetStartPosition();
    while (p) {
        std::string key;
        void* value = nullptr;
        map.GetNextAssoc(p, key, value);
        visited.emplace_back(MCMapStringToPtr::HashKey(key) % 71, key);
    }
    ASSERT_EQ(visited.size(), keys.size());
    for (size_t i = 1; i < visited.size(); ++i)
        EXPECT_LE(visited[i - 1].first, visited[i].first) << "buckets are visited in order";
    // Within a bucket the newest key comes first.
    for (size_t i = 1; i < visited.size(); ++i) {
        if (visited[i - 1].first == visited[i].first) {
            EXPECT_GT(std::stoi(visited[i - 1].second.substr(3)), std::stoi(visited[i].second.substr(3)));
        }
    }
}

TEST(MCMapStringToPtrTest, DeletesValuesOnlyWhenAsked)
{
    const int before = TEData::s_alive;
    auto* kept = new TEData(1);
    {
        MCMapStringToPtr map;
        map.SetAt("kept", kept);
        map.SetAt("gone", new TEData(2));
        map.SetAt("also gone", new TEData(3));
        EXPECT_EQ(map.RemoveKey("gone", 1), 1);
        EXPECT_EQ(TEData::s_alive, before + 2);
        map.RemoveKey("kept", 0);
        map.RemoveAll(1);
        EXPECT_TRUE(map.IsEmpty());
    }
    EXPECT_EQ(TEData::s_alive, before + 1);
    delete kept;
}

}  // namespace
