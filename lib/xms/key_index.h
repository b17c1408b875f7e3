// The ordered index of a record table's keys, kept beside the store: every
// key with its rank and the slot (entry number in the store) where its
// entry's bytes lie.
//
// A hash set answers "is this key present" in one or two memory reads, so an
// insert never searches the ordered part. Most keys sit in one flat sorted
// array (keys and slots in two arrays), searched by binary search. Keys
// inserted since it was last rebuilt wait in an unsorted list; only when a
// search needs their ranks before they are merged do they go into an ordered
// tree. They are merged into the array (sorted, then one linear merge) when
// they come to an eighth of the array's keys, or to a sixty-fourth when a
// search needs ranks, so all merges together cost O(n log n) and every insert
// and lookup costs O(log n) amortized, whatever the order of calls.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "xms/key_set.h"
#include "xms/order_tree.h"

template <class Traits, class Compare>
class KeyIndex {
 public:
  using Key = typename Traits::Key;

  uint64_t size() const { return keys_.size() + waiting(); }

  void clear() {
    std::vector<Key>().swap(keys_);
    std::vector<uint32_t>().swap(slots_);
    std::vector<Key>().swap(spare_keys_);
    std::vector<uint32_t>().swap(spare_slots_);
    std::vector<Key>().swap(sample_);
    sample_stale_ = true;
    std::vector<Item>().swap(pending_);
    recent_.clear();
    recent_.release_spares();
    set_.clear();
  }

  // Adds a key above all present ones (building from a store whose entries
  // are known to ascend strictly).
  void append(const Key& key, uint32_t slot) {
    sample_stale_ = true;
    keys_.push_back(key);
    slots_.push_back(slot);
    if (!Traits::is_empty(Traits::cell(key))) set_.add(key);
  }
  // The greatest key; the index must not be empty.
  const Key& last() {
    merge();
    return keys_.back();
  }

  // Inserts key unless an equal key is present: 1 when added, 0 when an
  // equal key is present, -1 when memory ran out (nothing changes then).
  int insert(const Key& key, uint32_t slot) {
    if (set_.contains(key)) return 0;
    pending_.push_back(Item{key, slot});
    set_.add(key);
    if (waiting() >= std::max<uint64_t>(kMinMerge, keys_.size() / 8)) merge();
    return 1;
  }

  // Rank of an equal key and its slot; -1 when absent, -2 when memory ran
  // out.
  int64_t find(const Key& key, uint32_t* slot) {
    if (waiting() >= std::max<uint64_t>(kMinMerge, keys_.size() / 64)) merge();
    for (const Item& item : pending_)
      if (recent_.insert(item.key, item.slot) == -2) return -2;
    pending_.clear();
    uint64_t below = lower_bound(key);
    if (below < keys_.size() && Compare()(keys_[below], key) == 0) {
      *slot = slots_[below];
      return static_cast<int64_t>(below + (recent_.size() ? recent_.rank_of(key) : 0));
    }
    int64_t rank = recent_.find(key, slot);
    return rank < 0 ? -1 : rank + static_cast<int64_t>(below);
  }

  // The slots of all keys in rank order.
  std::vector<uint32_t>& slots() {
    merge();
    return slots_;
  }

 private:
  static constexpr uint64_t kMinMerge = 4096;
  static constexpr uint64_t kSampleStep = 32;

  struct Item {
    Key key;
    uint32_t slot;
  };

  uint64_t waiting() const { return pending_.size() + recent_.size(); }

  static bool less(const Key& a, const Key& b) { return Compare()(a, b) < 0; }

  // First position whose key is not below key. The search runs first over
  // every kSampleStep-th key (a small array that stays in the cache), then
  // inside one stretch of the big array, so that it touches few cache lines
  // of the big array.
  uint64_t lower_bound(const Key& key) {
    if (sample_stale_) {
      sample_.clear();
      for (uint64_t i = 0; i < keys_.size(); i += kSampleStep) sample_.push_back(keys_[i]);
      sample_stale_ = false;
    }
    auto s = std::upper_bound(sample_.begin(), sample_.end(), key, less);
    if (s == sample_.begin()) return 0;
    uint64_t first = static_cast<uint64_t>(s - sample_.begin() - 1) * kSampleStep;
    uint64_t last = std::min<uint64_t>(first + kSampleStep, keys_.size());
    auto it = std::lower_bound(keys_.begin() + static_cast<ptrdiff_t>(first),
                               keys_.begin() + static_cast<ptrdiff_t>(last), key, less);
    return static_cast<uint64_t>(it - keys_.begin());
  }

  // Merges the waiting keys into the arrays: sorted, then one linear merge
  // into the spare arrays (whose memory is kept from the last merge), which
  // then take the place of the arrays.
  void merge() {
    if (waiting() == 0) return;
    recent_.visit([&](const Key& key, uint32_t slot) { pending_.push_back(Item{key, slot}); });
    recent_.clear();
    std::sort(pending_.begin(), pending_.end(),
              [](const Item& a, const Item& b) { return less(a.key, b.key); });
    uint64_t total = keys_.size() + pending_.size();
    spare_keys_.resize(total);
    spare_slots_.resize(total);
    uint64_t i = 0, out = 0;
    for (const Item& item : pending_) {
      while (i < keys_.size() && less(keys_[i], item.key)) {
        spare_keys_[out] = keys_[i];
        spare_slots_[out++] = slots_[i++];
      }
      spare_keys_[out] = item.key;
      spare_slots_[out++] = item.slot;
    }
    for (; i < keys_.size(); ++i, ++out) {
      spare_keys_[out] = keys_[i];
      spare_slots_[out] = slots_[i];
    }
    keys_.swap(spare_keys_);
    slots_.swap(spare_slots_);
    pending_.clear();
    sample_stale_ = true;
  }

  std::vector<Key> keys_;
  std::vector<uint32_t> slots_;
  std::vector<Key> sample_;  // every kSampleStep-th key of keys_
  bool sample_stale_ = true;
  std::vector<Key> spare_keys_;
  std::vector<uint32_t> spare_slots_;
  std::vector<Item> pending_;  // inserted, not yet merged, in no order
  OrderTree<Key, Compare> recent_;  // inserted, not yet merged, ranked
  KeySet<Traits> set_;
};
