#include "common/HashedStringList.h"

#include <stdexcept>

#include "common/AnsiText.h"

namespace quarrix {

void HashedStringList::Add(std::string entry) {
  entries_.push_back(std::move(entry));
  indexValid_ = false;
}

void HashedStringList::Set(size_t index, std::string entry) {
  entries_.at(index) = std::move(entry);
  indexValid_ = false;
}

void HashedStringList::Clear() {
  entries_.clear();
  index_.clear();
  indexValid_ = true;
}

const std::string& HashedStringList::At(size_t index) const {
  if (index >= entries_.size())
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  return entries_[index];
}

std::ptrdiff_t HashedStringList::IndexOf(std::string_view key) const {
  if (!indexValid_) RebuildIndex();
  auto it = index_.find(ToUpperAscii(key));
  return it == index_.end() ? npos : static_cast<std::ptrdiff_t>(it->second);
}

void HashedStringList::RebuildIndex() const {
  index_.clear();
  index_.reserve(entries_.size());
  for (size_t i = 0; i < entries_.size(); ++i) index_[ToUpperAscii(entries_[i])] = i;
  indexValid_ = true;
}

}  // namespace quarrix
