#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace k7 {

class JsonBag;

// Hands out the memory of the child bags one parse creates. A reply holds hundreds of small bags
// (every {"value": n} is one), and asking the heap for each, then giving each back one by one,
// cost as much as the parsing itself. Here the bags of one parse are cut from a few larger slabs,
// side by side in the order they are read, and a slab goes back to the heap when the last of its
// bags dies.
//
// The bags themselves are ordinary shared bags: they may outlive the parse, the document, and
// each other, and die on any thread. The price: a bag that is kept while the rest of its document
// is released keeps its slab (at most kMaxSlabBlocks * kBlockBytes bytes) alive with it.
//
// Each slab also keeps `keepAlive` alive, whatever the bags cut from it point into without owning
// it (the parser's member names), so that it lasts exactly as long as any of those bags.
//
// One pool serves one parse on one thread.
class JsonBagPool {
public:
    explicit JsonBagPool(std::shared_ptr<const void> keepAlive) : keepAlive_(std::move(keepAlive)) {}
    ~JsonBagPool();
    JsonBagPool(const JsonBagPool&) = delete;
    JsonBagPool& operator=(const JsonBagPool&) = delete;

    // A new, empty bag (an object, with the default settings).
    std::shared_ptr<JsonBag> MakeBag();

private:
    struct Slab;
    template <class T> class Allocator;

    static constexpr size_t kBlockBytes = 256; // room for one bag with its shared-pointer counts
    static constexpr size_t kFirstSlabBlocks = 16;
    static constexpr size_t kMaxSlabBlocks = 256;

    void StartSlab();
    // Gives up the pool's hold on a slab; the slab goes once its bags are gone.
    static void Retire(Slab* slab);
    static void Release(Slab* slab);

    std::shared_ptr<const void> keepAlive_;
    Slab* slab_ = nullptr;
    size_t nextBlocks_ = kFirstSlabBlocks;
};

} // namespace k7
