#pragma once
// A typed list of owned elements with stable positions: elements keep their
// address while they are in the list, so a control's item data can point at them.
// The list deletes what it holds when it is emptied or destroyed.
#include <cstddef>
#include <iterator>
#include <list>
#include <memory>

namespace tarn {

template <class T>
class CGenericList {
    using Storage = std::list<std::unique_ptr<T>>;

public:
    using Position = typename Storage::iterator;
    using ConstPosition = typename Storage::const_iterator;

    CGenericList() = default;
    CGenericList(CGenericList&&) noexcept = default;
    CGenericList& operator=(CGenericList&&) noexcept = default;
    CGenericList(const CGenericList&) = delete;
    CGenericList& operator=(const CGenericList&) = delete;

    T* AddHead(std::unique_ptr<T> element) {
        return m_items.emplace_front(std::move(element)).get();
    }
    T* AddTail(std::unique_ptr<T> element) {
        return m_items.emplace_back(std::move(element)).get();
    }
    // Moves every element of other, in its order, to this list's head or tail.
    void AddHead(CGenericList&& other) { m_items.splice(m_items.begin(), other.m_items); }
    void AddTail(CGenericList&& other) { m_items.splice(m_items.end(), other.m_items); }

    Position InsertBefore(Position pos, std::unique_ptr<T> element) {
        return m_items.insert(pos, std::move(element));
    }
    Position InsertAfter(Position pos, std::unique_ptr<T> element) {
        return m_items.insert(pos == m_items.end() ? pos : std::next(pos), std::move(element));
    }
    // Takes the element out of the list and hands it back to the caller.
    std::unique_ptr<T> RemoveAt(Position pos) {
        std::unique_ptr<T> element = std::move(*pos);
        m_items.erase(pos);
        return element;
    }
    void RemoveAllWithDelete() { m_items.clear(); }

    // The index of the element, -1 when it is not in the list.
    int Find(const T* element) const {
        int index = 0;
        for (const auto& item : m_items) {
            if (item.get() == element) return index;
            ++index;
        }
        return -1;
    }
    Position FindIndex(int index) {
        if (index < 0 || static_cast<size_t>(index) >= m_items.size()) return m_items.end();
        return std::next(m_items.begin(), index);
    }

    size_t GetCount() const { return m_items.size(); }
    bool IsEmpty() const { return m_items.empty(); }
    Position begin() { return m_items.begin(); }
    Position end() { return m_items.end(); }
    ConstPosition begin() const { return m_items.begin(); }
    ConstPosition end() const { return m_items.end(); }

private:
    Storage m_items;
};

}  // namespace tarn
