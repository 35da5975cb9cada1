#include "notabase/lists/MCMapStringToPtr.h"

MCMapStringToPtr::~MCMapStringToPtr()
{
    RemoveAll(0);
}

uint32_t MCMapStringToPtr::HashKey(std::string_view key)
{
    uint32_t h = 0;
    for (char c : key)
        h = h * 33u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
    return h;
}

MCMapStringToPtr::Node* MCMapStringToPtr::find(std::string_view key) const
{
    for (Node* n = m_buckets[HashKey(key) % bucketCount]; n; n = n->next) {
        if (n->key == key)
            return n;
    }
    return nullptr;
}

void*& MCMapStringToPtr::operator[](std::string_view key)
{
    if (Node* n = find(key))
        return n->value;
    const int bucket = static_cast<int>(HashKey(key) % bucketCount);
    Node* n = new Node{std::string(key), nullptr, bucket, m_buckets[bucket]};
    m_buckets[bucket] = n;
    ++m_count;
    return n->value;
}

int MCMapStringToPtr::Lookup(std::string_view key, void*& value) const
{
    const Node* n = find(key);
    if (!n)
        return 0;
    value = n->value;
    return 1;
}

int MCMapStringToPtr::RemoveKey(std::string_view key, int deleteValue)
{
    const int bucket = static_cast<int>(HashKey(key) % bucketCount);
    for (Node** link = &m_buckets[bucket]; *link; link = &(*link)->next) {
        Node* n = *link;
        if (n->key != key)
            continue;
        *link = n->next;
        --m_count;
        void* value = n->value;
        delete n;
        if (deleteValue)
            delete static_cast<plat::Object*>(value);
        return 1;
    }
    return 0;
}

void MCMapStringToPtr::RemoveAll(int deleteValue)
{
    for (Node*& head : m_buckets) {
        while (head) {
            Node* n = head;
            head = n->next;
            void* value = n->value;
            delete n;
            if (deleteValue)
                delete static_cast<plat::Object*>(value);
        }
    }
    m_count = 0;
}

MCPosition MCMapStringToPtr::firstFrom(int bucket) const
{
    for (int b = bucket; b < bucketCount; ++b) {
        if (m_buckets[b])
            return reinterpret_cast<MCPosition>(m_buckets[b]);
    }
    return nullptr;
}

MCPosition MCMapStringToPtr::GetStartPosition() const
{
    return m_count ? firstFrom(0) : nullptr;
}

void MCMapStringToPtr::GetNextAssoc(MCPosition& position, std::string& key, void*& value) const
{
    const Node* n = reinterpret_cast<const Node*>(position);
    if (!n)
        return;
    key = n->key;
    value = n->value;
    position = n->next ? reinterpret_cast<MCPosition>(n->next) : firstFrom(n->bucket + 1);
}
