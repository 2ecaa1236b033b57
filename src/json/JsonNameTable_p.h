#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace k7 {

// The member names met while parsing one document, each held once. A table reply repeats the
// same twenty-odd names in every row: looking a name up here hands out the one shared QString
// (a reference-count increment) instead of allocating and copying it again. QString is
// copy-on-write, so a shared name that is later edited in one bag is detached there and nowhere
// else.
//
// Each distinct name also gets a dense number, which lets the parser spot a name repeated inside
// one object in a single pass, and its index hash (JsonBagData::HashName), computed once.
//
// The table is found by a cheap hash of the name's length and outer code units. Names built to
// collide under it only fill a short run of slots; a name that finds no place within that run is
// handed out on its own, without a number, and the parser then checks that object the slow way.
class JsonNameTable {
public:
    static constexpr uint32_t kNoId = UINT32_MAX;

    struct Name {
        QString text;
        uint32_t hash = 0;   // JsonBagData::HashName(text)
        uint32_t id = kNoId; // dense from 0, or kNoId for a name that is not held
        uint32_t quickHash = 0;
    };

    JsonNameTable();

    // The entry for `text`, added when it is new. The reference stays valid until the next call.
    const Name& Intern(QStringView text);
    // How many distinct names the table holds (ids run from 0 to Size() - 1).
    uint32_t Size() const { return size_; }

private:
    static constexpr size_t kMaxProbe = 16;

    void Grow();

    // Open addressing with linear probing; a slot whose id is kNoId is free.
    std::vector<Name> slots_;
    uint32_t size_ = 0;
    Name loose_; // the last name that found no slot
};

} // namespace k7
