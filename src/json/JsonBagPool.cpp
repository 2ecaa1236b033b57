#include "json/JsonBagPool_p.h"

#include "json/JsonBag.h"

#include <atomic>
#include <new>

namespace k7 {

namespace {

constexpr size_t kAlignment = 16;

constexpr size_t RoundUp(size_t bytes) {
    return (bytes + kAlignment - 1) / kAlignment * kAlignment;
}

// While the pool still cuts bags from a slab, its count of live bags starts from this bias, so
// that bags dying early can never bring it to zero; the bias is taken off when the slab is
// retired, leaving the number of bags still alive.
constexpr uint64_t kOpenBias = uint64_t(1) << 48;

} // namespace

struct JsonBagPool::Slab {
    explicit Slab(std::shared_ptr<const void> held) : keepAlive(std::move(held)) {}

    std::atomic<uint64_t> live{kOpenBias};
    std::shared_ptr<const void> keepAlive;
    uint64_t handedOut = 0; // touched only by the pool's thread
    unsigned char* next = nullptr;
    unsigned char* end = nullptr;
};

// The allocator of one bag's shared block: it cuts the block from its slab and, when the bag and
// its counts are gone, counts it out of the slab. Its only state is the slab.
template <class T> class JsonBagPool::Allocator {
public:
    using value_type = T;

    explicit Allocator(Slab* slab) : slab_(slab) {}
    template <class U> Allocator(const Allocator<U>& other) : slab_(other.slab_) {}

    T* allocate(size_t count) {
        static_assert(sizeof(T) <= kBlockBytes && alignof(T) <= kAlignment,
                      "a bag's shared block no longer fits a pool block");
        if (count != 1 || size_t(slab_->end - slab_->next) < RoundUp(sizeof(T)))
            throw std::bad_alloc();
        T* block = reinterpret_cast<T*>(slab_->next);
        slab_->next += RoundUp(sizeof(T));
        ++slab_->handedOut;
        return block;
    }

    void deallocate(T*, size_t) { Release(slab_); }

    template <class U> bool operator==(const Allocator<U>& other) const { return slab_ == other.slab_; }

private:
    template <class U> friend class Allocator;
    Slab* slab_;
};

JsonBagPool::~JsonBagPool() {
    if (slab_)
        Retire(slab_);
}

std::shared_ptr<JsonBag> JsonBagPool::MakeBag() {
    if (!slab_ || size_t(slab_->end - slab_->next) < kBlockBytes)
        StartSlab();
    return std::allocate_shared<JsonBag>(Allocator<JsonBag>(slab_));
}

void JsonBagPool::StartSlab() {
    // Slabs grow with the document, so a small reply wastes little and a large one needs few.
    const size_t header = RoundUp(sizeof(Slab));
    const size_t bytes = header + nextBlocks_ * kBlockBytes;
    void* memory = ::operator new(bytes, std::align_val_t(kAlignment));
    Slab* slab = new (memory) Slab(keepAlive_);
    slab->next = static_cast<unsigned char*>(memory) + header;
    slab->end = static_cast<unsigned char*>(memory) + bytes;
    if (slab_)
        Retire(slab_);
    slab_ = slab;
    if (nextBlocks_ < kMaxSlabBlocks)
        nextBlocks_ *= 2;
}

void JsonBagPool::Retire(Slab* slab) {
    const uint64_t bias = kOpenBias - slab->handedOut;
    if (slab->live.fetch_sub(bias, std::memory_order_acq_rel) == bias) {
        slab->~Slab();
        ::operator delete(slab, std::align_val_t(kAlignment));
    }
}

void JsonBagPool::Release(Slab* slab) {
    if (slab->live.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        slab->~Slab();
        ::operator delete(slab, std::align_val_t(kAlignment));
    }
}

} // namespace k7
