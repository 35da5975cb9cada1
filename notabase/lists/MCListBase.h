#pragma once

#include "notabase/NotabaseExport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>
#include <vector>

// A place in one of the model's linked lists: the address of a node, null for none.
struct MCListPosition;
using MCPosition = MCListPosition*;

// Walks a list's nodes from one to the end, handing out each item as Value. Like GetNext,
// it has taken the next node before the item is used, so a loop body may remove the item it
// was given (but not the one after it).
template <class Node, class Value>
class MCListIterator {
public:
    using iterator_concept = std::forward_iterator_tag;
    using iterator_category = std::input_iterator_tag;
    using value_type = Value;
    using difference_type = std::ptrdiff_t;

    MCListIterator() = default;
    explicit MCListIterator(Node* node) : m_node(node), m_next(node ? node->next : nullptr) {}

    Value operator*() const { return static_cast<Value>(m_node->data); }
    MCListIterator& operator++()
    {
        m_node = m_next;
        m_next = m_node ? m_node->next : nullptr;
        return *this;
    }
    MCListIterator operator++(int)
    {
        MCListIterator before = *this;
        ++*this;
        return before;
    }
    bool operator==(const MCListIterator& other) const { return m_node == other.m_node; }

private:
    Node* m_node = nullptr;
    Node* m_next = nullptr;
};

// The doubly linked list shared by MCObList and MCPtrList: a count, a head and a tail. Nodes
// come from blocks the list owns, each block as large as the list was when it was taken (so
// a short list costs an allocation a node, as before, and a long one a few), and a freed node
// is kept for the next item; the blocks go back when the list is empty. Nodes are made and
// freed through the virtual NewNode and FreeNode so that a derived list can act on its items
// as they enter and leave (MCEventList counts references). A derived list whose FreeNode does
// more than free must call RemoveAll in its own destructor: by the time this base's
// destructor runs, the derived FreeNode is gone.
template <class T>
class NOTABASE_API MCListBase {
public:
    struct Node {
        T data;
        Node* prev;
        Node* next;
    };

    using Iterator = MCListIterator<Node, T>;

    MCListBase() = default;
    MCListBase(const MCListBase&) = delete;
    MCListBase& operator=(const MCListBase&) = delete;
    virtual ~MCListBase()
    {
        RemoveAll();
        releaseBlocks();
    }

    int GetCount() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    // Counts every node linked in or taken out (modulo 2^32): a position or an index taken
    // from the list holds for as long as the count is what it was then.
    uint32_t GetChangeCount() const { return m_changes; }

    // From the head to the tail: `for (T item : list)`.
    Iterator begin() const { return Iterator(m_head); }
    Iterator end() const { return Iterator(); }

    MCPosition GetHeadPosition() const { return pos(m_head); }
    MCPosition GetTailPosition() const { return pos(m_tail); }
    // The head or tail item; a null item for an empty list.
    T GetHead() const { return m_head ? m_head->data : T{}; }
    T GetTail() const { return m_tail ? m_tail->data : T{}; }
    // The item at a position; a null item for a null position.
    T GetAt(MCPosition position) const { return position ? node(position)->data : T{}; }
    // The item at the position; the position moves to the next (or previous) node.
    T GetNext(MCPosition& position) const
    {
        if (!position)
            return T{};
        Node* n = node(position);
        position = pos(n->next);
        return n->data;
    }
    T GetPrev(MCPosition& position) const
    {
        if (!position)
            return T{};
        Node* n = node(position);
        position = pos(n->prev);
        return n->data;
    }

    MCPosition AddHead(T item) { return InsertBefore(nullptr, item); }
    MCPosition AddTail(T item) { return InsertAfter(nullptr, item); }
    // Puts all items of another list at the head (or tail), in their own order.
    void AddHead(const MCListBase& other) { InsertBefore(nullptr, other); }
    void AddTail(const MCListBase& other) { InsertAfter(nullptr, other); }

    // A null position inserts at the head (before) or the tail (after).
    MCPosition InsertBefore(MCPosition position, T item)
    {
        Node* next = position ? node(position) : m_head;
        Node* prev = next ? next->prev : nullptr;
        return pos(link(prev, next, item));
    }
    MCPosition InsertAfter(MCPosition position, T item)
    {
        Node* prev = position ? node(position) : m_tail;
        Node* next = prev ? prev->next : nullptr;
        return pos(link(prev, next, item));
    }
    // Inserts the other list's items at that place, in their own order (a null position
    // meaning the head or the tail). A list may be inserted into itself.
    void InsertBefore(MCPosition position, const MCListBase& other)
    {
        const std::vector<T> items = other.items();
        for (auto it = items.rbegin(); it != items.rend(); ++it)
            position = InsertBefore(position, *it);
    }
    void InsertAfter(MCPosition position, const MCListBase& other)
    {
        const std::vector<T> items = other.items();
        for (const T& item : items)
            position = InsertAfter(position, item);
    }

    // Unlink and free a node and return its item; a null item when there is none.
    T RemoveHead() { return m_head ? unlink(m_head) : T{}; }
    T RemoveTail() { return m_tail ? unlink(m_tail) : T{}; }
    T RemoveAt(MCPosition position) { return position ? unlink(node(position)) : T{}; }
    void RemoveAll()
    {
        while (m_head)
            unlink(m_head);
    }

    virtual void SetAt(MCPosition position, T item)
    {
        if (position)
            node(position)->data = item;
    }

    // The first node holding the item, from the head or from the node after `after`.
    MCPosition Find(T item, MCPosition after = nullptr) const
    {
        for (Node* n = after ? node(after)->next : m_head; n; n = n->next) {
            if (n->data == item)
                return pos(n);
        }
        return nullptr;
    }
    MCPosition FindIndex(int index) const
    {
        if (index < 0 || index >= m_count)
            return nullptr;
        Node* n = m_head;
        while (index-- > 0)
            n = n->next;
        return pos(n);
    }

protected:
    // Makes a node holding the item between prev and next (not yet linked) and counts it.
    virtual Node* NewNode(Node* prev, Node* next, T item)
    {
        if (!m_free)
            takeBlock();
        Node* n = m_free;
        m_free = n->next;
        *n = Node{item, prev, next};
        ++m_count;
        return n;
    }
    // Frees a node that is already unlinked and uncounts it.
    virtual void FreeNode(Node* n)
    {
        n->next = m_free;
        m_free = n;
        if (m_count > 0 && --m_count == 0)
            releaseBlocks();
    }

    static Node* node(MCPosition position) { return reinterpret_cast<Node*>(position); }
    static MCPosition pos(Node* n) { return reinterpret_cast<MCPosition>(n); }
    Node* headNode() const { return m_head; }
    std::vector<T> items() const
    {
        std::vector<T> result;
        result.reserve(static_cast<size_t>(m_count));
        for (Node* n = m_head; n; n = n->next)
            result.push_back(n->data);
        return result;
    }
    Node* tailNode() const { return m_tail; }

private:
    // A block of nodes after the link to the block taken before it.
    struct Block {
        Block* previous;
    };
    static constexpr size_t kLargestBlock = 1024;

    static Node* nodesOf(Block* block)
    {
        return reinterpret_cast<Node*>(reinterpret_cast<char*>(block) + blockHeader());
    }
    static constexpr size_t blockHeader()
    {
        return (sizeof(Block) + alignof(Node) - 1) / alignof(Node) * alignof(Node);
    }
    // Adds a block's nodes to the free ones: as many as the list holds, so that the nodes
    // double with the list.
    void takeBlock()
    {
        const size_t count = std::clamp<size_t>(static_cast<size_t>(m_count), 1, kLargestBlock);
        auto* block = static_cast<Block*>(::operator new(blockHeader() + count * sizeof(Node)));
        block->previous = m_blocks;
        m_blocks = block;
        Node* nodes = nodesOf(block);
        for (size_t i = count; i-- > 0;)
            m_free = ::new (static_cast<void*>(nodes + i)) Node{T{}, nullptr, m_free};
    }
    void releaseBlocks()
    {
        while (m_blocks) {
            Block* block = m_blocks;
            m_blocks = block->previous;
            ::operator delete(block);
        }
        m_free = nullptr;
    }

    Node* link(Node* prev, Node* next, T item)
    {
        Node* n = NewNode(prev, next, item);
        ++m_changes;
        (prev ? prev->next : m_head) = n;
        (next ? next->prev : m_tail) = n;
        return n;
    }
    // The node leaves the list before FreeNode runs, so that whatever FreeNode sets off (an
    // element deleted when its last reference goes) sees a consistent list.
    T unlink(Node* n)
    {
        (n->prev ? n->prev->next : m_head) = n->next;
        (n->next ? n->next->prev : m_tail) = n->prev;
        ++m_changes;
        T item = n->data;
        FreeNode(n);
        return item;
    }

    int m_count = 0;
    uint32_t m_changes = 0;
    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    Node* m_free = nullptr;
    Block* m_blocks = nullptr;
};
