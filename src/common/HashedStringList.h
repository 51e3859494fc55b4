#pragma once
// A string list with a case-insensitive whole-entry index (A to Z folded), rebuilt lazily after
// a change. When an entry occurs more than once, a lookup finds its last occurrence.
// Lookups on one list must not race with changes to it.
#include <cstddef>
#include <string>
#include <string_view>
#include <cstdint>
#include <span>
#include <vector>

namespace quarrix {

class HashedStringList {
 public:
  static constexpr std::ptrdiff_t npos = -1;

  HashedStringList() = default;
  explicit HashedStringList(std::vector<std::string> entries) : entries_(std::move(entries)) {}

  void Add(std::string entry);
  void Set(size_t index, std::string entry);
  void Clear();

  size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  const std::string& operator[](size_t index) const { return entries_[index]; }
  // Throws std::out_of_range, as the list's index error.
  const std::string& At(size_t index) const;
  const std::vector<std::string>& Entries() const { return entries_; }

  // Index of the last entry equal to key ignoring case, or npos.
  std::ptrdiff_t IndexOf(std::string_view key) const;
  // IndexOf of every key into found (same length). Looking up many keys at once lets their
  // index slots be fetched from memory together instead of one miss after another.
  void IndexOfEach(std::span<const std::string_view> keys, std::span<std::ptrdiff_t> found) const;

  // Equal entries in the same order; the index is a cache and does not count.
  friend bool operator==(const HashedStringList& a, const HashedStringList& b) { return a.entries_ == b.entries_; }

 private:
  void RebuildIndex() const;
  std::ptrdiff_t Probe(std::string_view key, uint64_t hash) const;

  std::vector<std::string> entries_;
  // Open addressing over entry positions, each slot holding the upper half of the key's hash
  // beside the position so that most probes never touch the entry. No key copies: a lookup
  // allocates nothing and a large script's index stays small enough for the cache.
  struct Slot {
    uint32_t position;
    uint32_t hashTag;
  };
  static constexpr uint32_t kEmptySlot = UINT32_MAX;
  mutable std::vector<Slot> slots_;
  mutable bool indexValid_ = false;
};

}  // namespace quarrix
