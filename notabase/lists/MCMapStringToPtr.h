#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/lists/MCListBase.h"
#include "platform/core/Object.h"

#include <string>
#include <string_view>

// A map from text keys to pointers: 71 buckets, each a chain with its newest node at the
// head. Keys compare exactly. Keys of any length are kept whole. The map owns its nodes; it
// deletes its values (as archive objects) only when asked to.
class NOTABASE_API MCMapStringToPtr : public plat::Object {
public:
    static constexpr int bucketCount = 71;

    MCMapStringToPtr() = default;
    ~MCMapStringToPtr() override;
    MCMapStringToPtr(const MCMapStringToPtr&) = delete;
    MCMapStringToPtr& operator=(const MCMapStringToPtr&) = delete;

    // h = h * 33 + c over the characters taken as signed bytes.
    static uint32_t HashKey(std::string_view key);

    int GetCount() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }

    // The value slot of the key, made (holding null) when missing.
    void*& operator[](std::string_view key);
    void SetAt(std::string_view key, void* value) { (*this)[key] = value; }
    // 1 and the value, or 0.
    int Lookup(std::string_view key, void*& value) const;
    // 1 when the key was there and is removed; with deleteValue its value is deleted as an
    // archive object.
    int RemoveKey(std::string_view key, int deleteValue);
    void RemoveAll(int deleteValue);

    // A start marker when the map holds anything, else null.
    MCPosition GetStartPosition() const;
    // Visits buckets 0..70 in order and each chain from its head.
    void GetNextAssoc(MCPosition& position, std::string& key, void*& value) const;

private:
    struct Node {
        std::string key;
        void* value;
        int bucket;
        Node* next;
    };

    Node* find(std::string_view key) const;
    MCPosition firstFrom(int bucket) const;

    int m_count = 0;
    Node* m_buckets[bucketCount] = {};
};
