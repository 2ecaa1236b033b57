#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace k7 {

// Memory for the handles a document hands out. Reading a table makes and drops a bag for nearly
// every cell, one after the other: the blocks of one size that were given back wait on a short
// list of the thread and are taken again with no work for the allocator.
template <size_t kSize> class JsonBlockPool {
public:
    static void* Take() {
        FreeList& list = List();
        if (kBypass || !list.head)
            return ::operator new(kSize);
        Block* block = list.head;
        list.head = block->next;
        --list.count;
        return block;
    }

    static void Give(void* memory) {
        FreeList& list = List();
        if (kBypass || list.closed || list.count == kMaxKept) {
            ::operator delete(memory);
            return;
        }
        list.head = new (memory) Block{list.head};
        ++list.count;
    }

private:
    static_assert(kSize >= sizeof(void*));
    // Handles are dropped as soon as they are read, so the list stays short; a thread that let
    // go of many at once keeps no more than this.
    static constexpr size_t kMaxKept = 256;
    // Under AddressSanitizer every block goes back to the allocator, so that a handle used after
    // it died is caught rather than found in a block taken again.
#if defined(__SANITIZE_ADDRESS__)
    static constexpr bool kBypass = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    static constexpr bool kBypass = true;
#else
    static constexpr bool kBypass = false;
#endif
#else
    static constexpr bool kBypass = false;
#endif

    struct Block {
        Block* next;
    };
    struct FreeList {
        ~FreeList() {
            // A handle released later on this thread (by a static's destructor) goes straight
            // back to the allocator.
            closed = true;
            while (head) {
                Block* next = head->next;
                ::operator delete(head);
                head = next;
            }
        }
        Block* head = nullptr;
        size_t count = 0;
        bool closed = false;
    };

    static FreeList& List() {
        thread_local FreeList list;
        return list;
    }
};

// The allocator that std::allocate_shared makes a handle's block with, from JsonBlockPool.
template <class T> class JsonHandleAllocator {
public:
    using value_type = T;

    JsonHandleAllocator() = default;
    template <class U> JsonHandleAllocator(const JsonHandleAllocator<U>&) {}

    T* allocate(size_t count) {
        static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
        if (count != 1)
            return std::allocator<T>().allocate(count);
        return static_cast<T*>(JsonBlockPool<sizeof(T)>::Take());
    }
    void deallocate(T* memory, size_t count) {
        if (count != 1)
            std::allocator<T>().deallocate(memory, count);
        else
            JsonBlockPool<sizeof(T)>::Give(memory);
    }

    template <class U> bool operator==(const JsonHandleAllocator<U>&) const { return true; }
};

} // namespace k7
