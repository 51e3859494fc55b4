#pragma once
// A table from names to values, flat: the entries lie in one array in the order of their first
// addition, and an open-addressing index of slots points into it. A lookup touches one slot and
// one entry instead of a chain of heap nodes, so a table of tens of thousands of names stays
// cheap to search and to fill again. Names compare ignoring the case of A to Z unless the table
// is case-sensitive; an entry keeps the spelling it was added with. There is no removal of one
// entry: Clear empties the table and keeps its capacity for the next filling.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/AnsiText.h"
#include "common/FoldedHash.h"

namespace quarrix {

template <class Value>
class NameTable {
 public:
  struct Entry {
    std::string name;
    Value value;
  };

  explicit NameTable(bool caseSensitive = false) : caseSensitive_(caseSensitive) {}

  const Value* Find(std::string_view name) const {
    if (slots_.empty()) return nullptr;
    const Slot& slot = SlotFor(name, Hash(name));
    return slot.position == kEmptySlot ? nullptr : &entries_[slot.position].value;
  }
  Value* Find(std::string_view name) {
    return const_cast<Value*>(static_cast<const NameTable&>(*this).Find(name));
  }

  // The value under name, added with a default value when the name is missing; the flag tells
  // whether it was added. The reference lasts until the next addition.
  std::pair<Value&, bool> FindOrAdd(std::string_view name) {
    if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
    const uint64_t hash = Hash(name);
    Slot& slot = SlotFor(name, hash);
    if (slot.position != kEmptySlot) return {entries_[slot.position].value, false};
    if (entries_.size() >= kEmptySlot) throw std::length_error("Name table too large");
    slot = Slot{static_cast<uint32_t>(entries_.size()), Tag(hash)};
    entries_.push_back(Entry{std::string(name), Value()});
    return {entries_.back().value, true};
  }

  void Clear() {
    entries_.clear();
    slots_.assign(slots_.size(), Slot{kEmptySlot, 0});
  }

  size_t Size() const { return entries_.size(); }
  // In the order of first addition.
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  struct Slot {
    uint32_t position;
    uint32_t hashTag;  // the hash's upper half: most probes of other names end here
  };
  static constexpr uint32_t kEmptySlot = UINT32_MAX;
  static constexpr size_t kFirstCapacity = 16;

  static uint32_t Tag(uint64_t hash) { return static_cast<uint32_t>(hash >> 32); }
  uint64_t Hash(std::string_view name) const { return caseSensitive_ ? ExactHash(name) : FoldedHash(name); }
  bool Same(std::string_view a, std::string_view b) const { return caseSensitive_ ? a == b : EqualsIgnoreCase(a, b); }

  // The slot that holds name, or the empty slot where it belongs.
  const Slot& SlotFor(std::string_view name, uint64_t hash) const {
    const size_t mask = slots_.size() - 1;
    const uint32_t tag = Tag(hash);
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
      const Slot& slot = slots_[at];
      if (slot.position == kEmptySlot) return slot;
      if (slot.hashTag == tag && Same(entries_[slot.position].name, name)) return slot;
    }
  }
  Slot& SlotFor(std::string_view name, uint64_t hash) {
    return const_cast<Slot&>(static_cast<const NameTable&>(*this).SlotFor(name, hash));
  }

  // Twice the slots, at most half of them used: probes stay short.
  void Grow() {
    slots_.assign(slots_.empty() ? kFirstCapacity : slots_.size() * 2, Slot{kEmptySlot, 0});
    const size_t mask = slots_.size() - 1;
    for (size_t position = 0; position < entries_.size(); ++position) {
      const uint64_t hash = Hash(entries_[position].name);
      size_t at = hash & mask;
      while (slots_[at].position != kEmptySlot) at = (at + 1) & mask;
      slots_[at] = Slot{static_cast<uint32_t>(position), Tag(hash)};
    }
  }

  bool caseSensitive_;
  std::vector<Entry> entries_;
  std::vector<Slot> slots_;  // a power of two in size, or none before the first addition
};

}  // namespace quarrix
