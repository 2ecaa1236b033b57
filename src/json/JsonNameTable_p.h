#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace k7 {

// The member names of one parsed document, each held once and known by a dense number. A table
// reply repeats the same twenty-odd names in every row: the document's members carry the number
// (4 bytes) instead of a string, a repeated name is hashed and compared once per occurrence
// without allocating, and a name repeated inside one object is spotted by comparing numbers.
//
// The table is found by a cheap hash of the name's length and outer code units. Names built to
// collide under it only fill a short run of slots; a name that finds no place within that run
// goes to a second map under the process's seeded hash, so no text can make interning slow.
class JsonNameTable {
public:
    static constexpr uint32_t kNoId = UINT32_MAX;

    JsonNameTable();

    // The number of `text`, which is added when it is new.
    uint32_t Intern(QStringView text);
    // The number of `text`, or kNoId when no member of the document has this name.
    uint32_t Find(QStringView text) const;
    // Find, remembering the numbers found by the string that held the name: a table reads the
    // same few column names, kept in the same strings, over and over, and a string seen before
    // is known by its buffer without hashing or comparing a character.
    uint32_t FindRemembered(const QString& text) const;
    const QString& Text(uint32_t id) const { return texts_[id]; }
    // JsonBagData::HashName of the name, computed once.
    uint32_t Hash(uint32_t id) const { return hashes_[id]; }
    uint32_t Size() const { return uint32_t(texts_.size()); }
    // True when the name `id` is written in the text at `at` as it stands, closing quote
    // included: its characters there, then a quote. Only names that need no escape can be.
    bool IsWrittenAt(uint32_t id, const char16_t* at, qsizetype available) const {
        const QString& text = texts_[id];
        const qsizetype size = text.size();
        return plain_[id] && size < available && at[size] == u'"' &&
               std::equal(at, at + size, reinterpret_cast<const char16_t*>(text.constData()));
    }

private:
    static constexpr size_t kMaxProbe = 16;

    struct Slot {
        uint32_t id = kNoId;
        uint32_t quickHash = 0;
    };

    // A string whose buffer is held here cannot change in place (a shared QString detaches
    // before it is written), so the same buffer and size mean the same name.
    struct Remembered {
        QString text;
        uint32_t id = kNoId;
    };
    static constexpr size_t kRememberedBits = 6;

    uint32_t Add(QStringView text);
    void Grow();

    std::vector<Slot> slots_; // open addressing with linear probing
    std::vector<QString> texts_;
    std::vector<uint32_t> hashes_;
    std::vector<bool> plain_; // no quote, backslash or control character
    QHash<QString, uint32_t> loose_;
    mutable std::unique_ptr<std::array<Remembered, size_t(1) << kRememberedBits>> remembered_; // on first use
};

} // namespace k7
