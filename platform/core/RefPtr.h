#pragma once

#include <cstddef>
#include <utility>

namespace plat {

// Holds one reference on an object counted through its Ref() and Unref(), so a reference kept
// past a call is given back on every path.
template <class T>
class RefPtr {
public:
    RefPtr() = default;
    RefPtr(std::nullptr_t) {}
    // Takes a new reference.
    explicit RefPtr(T* object) : m_object(object)
    {
        if (m_object)
            m_object->Ref();
    }
    // Takes over a reference the caller already holds.
    static RefPtr adopt(T* object)
    {
        RefPtr holder;
        holder.m_object = object;
        return holder;
    }

    RefPtr(const RefPtr& other) : RefPtr(other.m_object) {}
    RefPtr(RefPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    template <class U>
    RefPtr(const RefPtr<U>& other) : RefPtr(other.get())
    {
    }
    RefPtr& operator=(const RefPtr& other)
    {
        reset(other.m_object);
        return *this;
    }
    RefPtr& operator=(RefPtr&& other) noexcept
    {
        if (this != &other) {
            T* old = std::exchange(m_object, std::exchange(other.m_object, nullptr));
            if (old)
                old->Unref();
        }
        return *this;
    }
    ~RefPtr()
    {
        if (m_object)
            m_object->Unref();
    }

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    // Refs the new object before giving up the old one, so resetting to the same object is safe.
    void reset(T* object = nullptr)
    {
        if (object)
            object->Ref();
        T* old = std::exchange(m_object, object);
        if (old)
            old->Unref();
    }
    // Gives up the reference without Unref: the caller now holds it.
    [[nodiscard]] T* release() { return std::exchange(m_object, nullptr); }

    friend bool operator==(const RefPtr& a, const RefPtr& b) { return a.m_object == b.m_object; }
    friend bool operator==(const RefPtr& a, const T* b) { return a.m_object == b; }
    friend bool operator==(const RefPtr& a, std::nullptr_t) { return a.m_object == nullptr; }

private:
    T* m_object = nullptr;
};

}  // namespace plat
