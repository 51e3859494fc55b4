#pragma once
// A string list with a case-insensitive whole-entry index (A to Z folded), rebuilt lazily after
// a change. When an entry occurs more than once, a lookup finds its last occurrence.
// Entries are read as views: a list read from a text points into that text, which it keeps
// alive and shares with its copies, so that reading a script allocates nothing per line; entries
// added as strings are kept by the list itself. Lookups on one list must not race with changes
// to it, nor the first call of Entries() with anything.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarrix {

class HashedStringList {
 public:
  static constexpr std::ptrdiff_t npos = -1;

  HashedStringList() = default;
  explicit HashedStringList(std::vector<std::string> entries);
  // Entries that lie in text (or in static storage).
  HashedStringList(std::shared_ptr<const std::string> text, std::vector<std::string_view> entries);
  HashedStringList(const HashedStringList& other);
  HashedStringList& operator=(const HashedStringList& other);
  HashedStringList(HashedStringList&&) = default;
  HashedStringList& operator=(HashedStringList&&) = default;

  void Add(std::string entry);
  // An entry replaced keeps its storage until Clear.
  void Set(size_t index, std::string entry);
  void Clear();

  size_t Count() const { return views_.size(); }
  bool Empty() const { return views_.empty(); }
  std::string_view operator[](size_t index) const { return views_[index]; }
  // Throws std::out_of_range, as the list's index error.
  std::string_view At(size_t index) const;
  const std::vector<std::string_view>& Views() const { return views_; }
  // The entries copied into strings on the first call, for tools and tests; the engine reads
  // views.
  const std::vector<std::string>& Entries() const;

  // Index of the last entry equal to key ignoring case, or npos.
  std::ptrdiff_t IndexOf(std::string_view key) const;
  // IndexOf of every key into found (same length). Looking up many keys at once lets their
  // index slots be fetched from memory together instead of one miss after another.
  void IndexOfEach(std::span<const std::string_view> keys, std::span<std::ptrdiff_t> found) const;

  // Equal entries in the same order; the index is a cache and does not count.
  friend bool operator==(const HashedStringList& a, const HashedStringList& b) { return a.views_ == b.views_; }

 private:
  void RebuildIndex() const;
  std::ptrdiff_t Probe(std::string_view key, uint64_t hash) const;
  std::string_view Keep(std::string entry);
  bool InText(std::string_view entry) const;
  void Changed();

  std::vector<std::string_view> views_;
  std::shared_ptr<const std::string> text_;
  std::deque<std::string> kept_;  // chunks of the entries given as strings, never reallocated
  mutable std::vector<std::string> copies_;
  mutable bool copiesValid_ = false;
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
