// An ordered set of keys with ranks: each key carries the slot (entry number
// in the store) where its entry's bytes lie. Insert, lookup and rank cost
// O(log n); the nodes are wide arrays so that a lookup touches few cache
// lines.
//
// Key must be trivially copyable; Compare is a three-way comparison
// (negative, 0, positive) given as a functor type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

template <class Key, class Compare>
class OrderTree {
 public:
  OrderTree() = default;
  OrderTree(const OrderTree&) = delete;
  OrderTree& operator=(const OrderTree&) = delete;
  ~OrderTree() {
    clear();
    release_spares();
  }

  uint64_t size() const { return size_; }

  void clear() {
    if (root_) destroy(root_, height_);
    root_ = nullptr;
    height_ = 0;
    size_ = 0;
  }

  // Inserts key with its slot unless an equal key is present. Returns the
  // key's rank (number of smaller keys) after the insert, -1 when an equal
  // key is present (nothing changes), -2 when memory ran out (nothing
  // changes).
  int64_t insert(const Key& key, uint32_t slot) {
    if (!root_) {
      Leaf* leaf = new (std::nothrow) Leaf;
      if (!leaf) return -2;
      leaf->n = 0;
      leaf->next = nullptr;
      root_ = leaf;
      height_ = 0;
    }
    Inner* path[kMaxHeight];
    int path_child[kMaxHeight];
    uint64_t rank = 0;
    Node* node = root_;
    for (int level = height_; level > 0; --level) {
      Inner* inner = static_cast<Inner*>(node);
      int c = route(inner, key);
      for (int i = 0; i < c; ++i) rank += inner->count[i];
      path[level - 1] = inner;
      path_child[level - 1] = c;
      node = inner->child[c];
    }
    Leaf* leaf = static_cast<Leaf*>(node);
    int pos = lower_bound(leaf->key, leaf->n, key);
    if (pos < leaf->n && Compare()(leaf->key[pos], key) == 0) return -1;
    rank += static_cast<uint64_t>(pos);

    // Room is made before anything changes, so that a refused allocation
    // leaves the tree as it was.
    if (!reserve_splits(path, path_child, leaf)) return -2;

    Node* split_off = nullptr;  // new right sibling at the level being fixed
    Key split_key{};
    if (leaf->n < kLeafCap) {
      put_in_leaf(leaf, pos, key, slot);
    } else {
      Leaf* right = take_spare_leaf();
      split_leaf(leaf, right);
      if (pos <= leaf->n)
        put_in_leaf(leaf, pos, key, slot);
      else
        put_in_leaf(right, pos - leaf->n, key, slot);
      split_off = right;
      split_key = right->key[0];
    }
    for (int level = 0; level < height_; ++level) {
      Inner* inner = path[level];
      int c = path_child[level];
      if (!split_off) {
        ++inner->count[c];
        continue;
      }
      Node* left_child = inner->child[c];
      inner->count[c] = subtree_size(left_child, level);
      uint64_t right_size = subtree_size(split_off, level);
      if (inner->n < kInnerCap) {
        put_in_inner(inner, c + 1, split_off, right_size, split_key);
        split_off = nullptr;
        continue;
      }
      Inner* right = take_spare_inner();
      split_inner(inner, right);
      if (c + 1 <= inner->n)
        put_in_inner(inner, c + 1, split_off, right_size, split_key);
      else
        put_in_inner(right, c + 1 - inner->n, split_off, right_size, split_key);
      split_off = right;
      split_key = right->key[0];
    }
    if (split_off) {
      Inner* top = take_spare_inner();
      top->n = 2;
      top->child[0] = root_;
      top->child[1] = split_off;
      top->count[0] = subtree_size(root_, height_);
      top->count[1] = subtree_size(split_off, height_);
      top->key[0] = first_key(root_, height_);
      top->key[1] = split_key;
      root_ = top;
      ++height_;
    }
    ++size_;
    return static_cast<int64_t>(rank);
  }

  // Rank of an equal key and its slot, -1 when absent.
  int64_t find(const Key& key, uint32_t* slot) const {
    if (!root_) return -1;
    uint64_t rank = 0;
    Node* node = root_;
    for (int level = height_; level > 0; --level) {
      const Inner* inner = static_cast<const Inner*>(node);
      int c = route(inner, key);
      for (int i = 0; i < c; ++i) rank += inner->count[i];
      node = inner->child[c];
    }
    const Leaf* leaf = static_cast<const Leaf*>(node);
    int pos = lower_bound(leaf->key, leaf->n, key);
    if (pos >= leaf->n || Compare()(leaf->key[pos], key) != 0) return -1;
    *slot = leaf->slot[pos];
    return static_cast<int64_t>(rank + static_cast<uint64_t>(pos));
  }

  // Number of keys below key (its rank, whether present or not).
  uint64_t rank_of(const Key& key) const {
    if (!root_) return 0;
    uint64_t rank = 0;
    Node* node = root_;
    for (int level = height_; level > 0; --level) {
      const Inner* inner = static_cast<const Inner*>(node);
      int c = route(inner, key);
      for (int i = 0; i < c; ++i) rank += inner->count[i];
      node = inner->child[c];
    }
    const Leaf* leaf = static_cast<const Leaf*>(node);
    return rank + static_cast<uint64_t>(lower_bound(leaf->key, leaf->n, key));
  }

  // Calls visit(key, slot) for every key in order.
  template <class Visit>
  void visit(Visit visit) const {
    if (!root_) return;
    const Node* node = root_;
    for (int level = height_; level > 0; --level) node = static_cast<const Inner*>(node)->child[0];
    for (const Leaf* leaf = static_cast<const Leaf*>(node); leaf; leaf = leaf->next)
      for (int i = 0; i < leaf->n; ++i) visit(leaf->key[i], leaf->slot[i]);
  }

 private:
  static constexpr int kLeafCap = 64;
  static constexpr int kInnerCap = 64;
  static constexpr int kMaxHeight = 16;

  struct Node {};
  struct Leaf : Node {
    int n;
    Leaf* next;
    Key key[kLeafCap];
    uint32_t slot[kLeafCap];
  };
  struct Inner : Node {
    int n;
    Node* child[kInnerCap];
    uint64_t count[kInnerCap];  // keys below each child
    Key key[kInnerCap];         // smallest key below each child
  };

  // First index whose key is not below key.
  static int lower_bound(const Key* keys, int n, const Key& key) {
    int lo = 0, hi = n;
    while (lo < hi) {
      int mid = (lo + hi) / 2;
      if (Compare()(keys[mid], key) < 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  }
  // The child whose range holds key: the last one whose smallest key is not
  // above key (the first child when key is below all).
  static int route(const Inner* inner, const Key& key) {
    int lo = 1, hi = inner->n;
    while (lo < hi) {
      int mid = (lo + hi) / 2;
      if (Compare()(inner->key[mid], key) <= 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo - 1;
  }

  static void put_in_leaf(Leaf* leaf, int pos, const Key& key, uint32_t slot) {
    int tail = leaf->n - pos;
    std::memmove(&leaf->key[pos + 1], &leaf->key[pos], sizeof(Key) * tail);
    std::memmove(&leaf->slot[pos + 1], &leaf->slot[pos], sizeof(uint32_t) * tail);
    leaf->key[pos] = key;
    leaf->slot[pos] = slot;
    ++leaf->n;
  }
  static void put_in_inner(Inner* inner, int pos, Node* child, uint64_t count, const Key& key) {
    int tail = inner->n - pos;
    std::memmove(&inner->child[pos + 1], &inner->child[pos], sizeof(Node*) * tail);
    std::memmove(&inner->count[pos + 1], &inner->count[pos], sizeof(uint64_t) * tail);
    std::memmove(&inner->key[pos + 1], &inner->key[pos], sizeof(Key) * tail);
    inner->child[pos] = child;
    inner->count[pos] = count;
    inner->key[pos] = key;
    ++inner->n;
  }
  static void split_leaf(Leaf* leaf, Leaf* right) {
    int keep = leaf->n / 2;
    right->n = leaf->n - keep;
    std::memcpy(right->key, &leaf->key[keep], sizeof(Key) * right->n);
    std::memcpy(right->slot, &leaf->slot[keep], sizeof(uint32_t) * right->n);
    leaf->n = keep;
    right->next = leaf->next;
    leaf->next = right;
  }
  static void split_inner(Inner* inner, Inner* right) {
    int keep = inner->n / 2;
    right->n = inner->n - keep;
    std::memcpy(right->child, &inner->child[keep], sizeof(Node*) * right->n);
    std::memcpy(right->count, &inner->count[keep], sizeof(uint64_t) * right->n);
    std::memcpy(right->key, &inner->key[keep], sizeof(Key) * right->n);
    inner->n = keep;
  }
  static uint64_t subtree_size(const Node* node, int level) {
    if (level == 0) return static_cast<uint64_t>(static_cast<const Leaf*>(node)->n);
    const Inner* inner = static_cast<const Inner*>(node);
    uint64_t total = 0;
    for (int i = 0; i < inner->n; ++i) total += inner->count[i];
    return total;
  }
  static Key first_key(const Node* node, int level) {
    if (level == 0) return static_cast<const Leaf*>(node)->key[0];
    return static_cast<const Inner*>(node)->key[0];
  }
  static void destroy(Node* node, int level) {
    if (level == 0) {
      delete static_cast<Leaf*>(node);
      return;
    }
    Inner* inner = static_cast<Inner*>(node);
    for (int i = 0; i < inner->n; ++i) destroy(inner->child[i], level - 1);
    delete inner;
  }

  // Allocates the nodes an insert into a full leaf will need, so that the
  // insert itself cannot fail half-way.
  bool reserve_splits(Inner* const* path, const int*, Leaf* leaf) {
    if (leaf->n < kLeafCap) return true;
    int inners = 0;
    int level = 0;
    while (level < height_ && path[level]->n == kInnerCap) {
      ++inners;
      ++level;
    }
    if (level == height_) ++inners;  // a new root
    if (!spare_leaf_) spare_leaf_ = new (std::nothrow) Leaf;
    if (!spare_leaf_) return false;
    while (spare_inner_count_ < inners) {
      Inner* inner = new (std::nothrow) Inner;
      if (!inner) return false;
      spare_inner_[spare_inner_count_++] = inner;
    }
    return true;
  }
  Leaf* take_spare_leaf() {
    Leaf* leaf = spare_leaf_;
    spare_leaf_ = nullptr;
    return leaf;
  }
  Inner* take_spare_inner() { return spare_inner_[--spare_inner_count_]; }

 public:
  // Spare nodes are kept for the next split; free them with the tree.
  void release_spares() {
    delete spare_leaf_;
    spare_leaf_ = nullptr;
    while (spare_inner_count_ > 0) delete spare_inner_[--spare_inner_count_];
  }

 private:
  Node* root_ = nullptr;
  int height_ = 0;  // 0: the root is a leaf
  uint64_t size_ = 0;
  Leaf* spare_leaf_ = nullptr;
  Inner* spare_inner_[kMaxHeight + 1] = {};
  int spare_inner_count_ = 0;
};
