#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <utility>

namespace k7 {

// The items of one bag, in order: a vector whose first item lives inside the list itself.
// Most objects of a reply hold a single member ({"value": 12}), and keeping it here spares
// each of them a second allocation. Only what the bag needs of a vector is offered; the list
// is neither copied nor moved (it lives at a fixed place inside its bag).
template <class Entry> class JsonEntryList {
public:
    using iterator = Entry*;
    using const_iterator = const Entry*;

    JsonEntryList() = default;
    JsonEntryList(const JsonEntryList&) = delete;
    JsonEntryList& operator=(const JsonEntryList&) = delete;
    ~JsonEntryList() {
        clear();
        if (data_ != Inline())
            std::allocator<Entry>().deallocate(data_, capacity_);
    }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Entry& operator[](size_t i) { return data_[i]; }
    const Entry& operator[](size_t i) const { return data_[i]; }
    iterator begin() { return data_; }
    iterator end() { return data_ + size_; }
    const_iterator begin() const { return data_; }
    const_iterator end() const { return data_ + size_; }
    Entry& back() { return data_[size_ - 1]; }

    void reserve(size_t wanted) {
        if (wanted <= capacity_)
            return;
        Entry* fresh = std::allocator<Entry>().allocate(wanted);
        for (size_t i = 0; i < size_; ++i) {
            new (fresh + i) Entry(std::move(data_[i]));
            data_[i].~Entry();
        }
        if (data_ != Inline())
            std::allocator<Entry>().deallocate(data_, capacity_);
        data_ = fresh;
        capacity_ = uint32_t(wanted);
    }

    template <class... Args> Entry& emplace_back(Args&&... args) {
        if (size_ == capacity_)
            reserve(size_t(capacity_) * 2);
        Entry* entry = new (data_ + size_) Entry(std::forward<Args>(args)...);
        ++size_;
        return *entry;
    }

    iterator erase(iterator position) { return erase(position, position + 1); }
    iterator erase(iterator first, iterator last) {
        iterator out = std::move(last, end(), first);
        for (iterator dead = out; dead != end(); ++dead)
            dead->~Entry();
        size_ -= size_t(last - first);
        return first;
    }

    void clear() {
        for (size_t i = 0; i < size_; ++i)
            data_[i].~Entry();
        size_ = 0;
    }

private:
    Entry* Inline() { return reinterpret_cast<Entry*>(inline_); }

    Entry* data_ = Inline();
    uint32_t size_ = 0;
    uint32_t capacity_ = 1;
    alignas(Entry) unsigned char inline_[sizeof(Entry)];
};

} // namespace k7
