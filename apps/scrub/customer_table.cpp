#include "customer_table.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

// The name and phone searches must give the first passing entry in scan
// order (bucket 0 to 510, each from its head). With tens of thousands of
// customers a plain scan per unmatched workorder is slow, so the first search
// builds an index over the scan order:
// - every three-byte sequence ("gram") of an entry's name key and spouse key,
//   as sorted (gram, rank) pairs: an entry that passes the name test holds all
//   grams of the searched last and first names in one of its keys, so the
//   entries listed under any one of those grams, taken in rank order, contain
//   every passing entry; the first of them that passes the full test is the
//   first in scan order;
// - the ranks sorted by (phone key, rank), so that the first entry with a
//   given phone key is found by binary search.
// Names shorter than three characters fall back to the plain scan.
struct ScanIndex {
  int32_t count;
  const CustomerTag** by_rank;  // entries in scan order
  uint64_t* grams;              // (gram << 32) | rank, sorted
  size_t gram_count;
  int32_t* by_phone;  // ranks sorted by (phone key, rank)
};

namespace {

int bucket_of(int32_t number) { return number % kCustomerBuckets; }

// A key field as a NUL-terminated text (stored keys always end in a NUL
// within their field, but a damaged one must not be read past).
struct KeyText {
  char s[33];
  KeyText(const char* field, size_t width) {
    size_t n = 0;
    while (n < width && n < 32 && field[n]) n++;
    std::memcpy(s, field, n);
    s[n] = 0;
  }
};

void scan_index_free(ScanIndex* x) {
  if (!x) return;
  std::free(x->by_rank);
  std::free(x->grams);
  std::free(x->by_phone);
  std::free(x);
}

uint32_t gram_at(const char* p) {
  return static_cast<uint32_t>(static_cast<uint8_t>(p[0])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(p[1])) << 8 | static_cast<uint8_t>(p[2]);
}

int phone_cmp(const CustomerTag* a, const CustomerTag* b) {
  return std::strcmp(KeyText(a->phone_key, sizeof a->phone_key).s,
                     KeyText(b->phone_key, sizeof b->phone_key).s);
}

// Null when memory runs short; the searches then scan.
ScanIndex* scan_index_build(const CustomerTable* t) {
  ScanIndex* x = static_cast<ScanIndex*>(std::calloc(1, sizeof(ScanIndex)));
  if (!x) return nullptr;
  size_t n = 0;
  for (int b = 0; b < kCustomerBuckets; b++)
    for (const CustomerNode* node = t->buckets[b]; node; node = node->next) n++;
  x->count = static_cast<int32_t>(n);
  x->by_rank = static_cast<const CustomerTag**>(std::malloc((n + 1) * sizeof(CustomerTag*)));
  x->grams = static_cast<uint64_t*>(std::malloc((n * 58 + 1) * sizeof(uint64_t)));
  x->by_phone = static_cast<int32_t*>(std::malloc((n + 1) * sizeof(int32_t)));
  if (!x->by_rank || !x->grams || !x->by_phone) {
    scan_index_free(x);
    return nullptr;
  }
  size_t r = 0, g = 0;
  for (int b = 0; b < kCustomerBuckets; b++)
    for (const CustomerNode* node = t->buckets[b]; node; node = node->next, r++) {
      x->by_rank[r] = node->tag;
      x->by_phone[r] = static_cast<int32_t>(r);
      uint32_t seen[58];
      size_t nseen = 0;
      for (const char* field : {node->tag->name_key, node->tag->spouse_key}) {
        KeyText k(field, 32);
        size_t len = std::strlen(k.s);
        for (size_t i = 0; i + 3 <= len; i++) {
          uint32_t gram = gram_at(k.s + i);
          if (std::find(seen, seen + nseen, gram) != seen + nseen) continue;
          seen[nseen++] = gram;
          x->grams[g++] = static_cast<uint64_t>(gram) << 32 | r;
        }
      }
    }
  x->gram_count = g;
  std::sort(x->grams, x->grams + g);
  std::sort(x->by_phone, x->by_phone + n, [x](int32_t a, int32_t b) {
    int c = phone_cmp(x->by_rank[a], x->by_rank[b]);
    return c != 0 ? c < 0 : a < b;
  });
  return x;
}

bool tag_passes(const CustomerTag* tag, const char* last, const char* first) {
  return customer_name_key_passes(KeyText(tag->name_key, 32).s, last, first) ||
         customer_name_key_passes(KeyText(tag->spouse_key, 32).s, last, first);
}

// Narrows a candidate range to the entries holding the rarest gram of text.
void rarest_gram(const ScanIndex* x, const char* text, const uint64_t** lo, const uint64_t** hi) {
  size_t len = std::strlen(text);
  for (size_t i = 0; i + 3 <= len; i++) {
    uint64_t gram = gram_at(text + i);
    const uint64_t* end = x->grams + x->gram_count;
    const uint64_t* a = std::lower_bound(static_cast<const uint64_t*>(x->grams), end, gram << 32);
    const uint64_t* b = std::lower_bound(a, end, (gram + 1) << 32);
    if (!*lo || b - a < *hi - *lo) {
      *lo = a;
      *hi = b;
    }
  }
}

size_t number_slot(int32_t number, size_t size) {
  uint32_t h = static_cast<uint32_t>(number) * 2654435761u;
  return static_cast<size_t>(h) & (size - 1);
}

// Records node as the one the walk finds first for its number.
void number_index_put(CustomerTable* t, CustomerNode* node) {
  if (!t->by_number) return;
  if ((t->by_number_used + 1) * 2 > t->by_number_size) {
    size_t size = t->by_number_size * 2;
    CustomerNode** grown = static_cast<CustomerNode**>(std::calloc(size, sizeof(CustomerNode*)));
    if (!grown) {  // the bucket walk serves from now on
      std::free(t->by_number);
      t->by_number = nullptr;
      return;
    }
    for (size_t i = 0; i < t->by_number_size; i++) {
      CustomerNode* n = t->by_number[i];
      if (!n) continue;
      size_t j = number_slot(n->tag->number, size);
      while (grown[j]) j = (j + 1) & (size - 1);
      grown[j] = n;
    }
    std::free(t->by_number);
    t->by_number = grown;
    t->by_number_size = size;
  }
  size_t j = number_slot(node->tag->number, t->by_number_size);
  while (t->by_number[j] && t->by_number[j]->tag->number != node->tag->number)
    j = (j + 1) & (t->by_number_size - 1);
  if (!t->by_number[j]) t->by_number_used++;
  t->by_number[j] = node;
}

}  // namespace

CustomerTable* customer_table_create() {
  CustomerTable* t = static_cast<CustomerTable*>(std::calloc(1, sizeof(CustomerTable)));
  if (!t) return nullptr;
  t->buckets = static_cast<CustomerNode**>(std::calloc(kCustomerBuckets, sizeof(CustomerNode*)));
  if (!t->buckets) {
    std::free(t);
    return nullptr;
  }
  t->by_number_size = 1024;
  t->by_number = static_cast<CustomerNode**>(std::calloc(t->by_number_size, sizeof(CustomerNode*)));
  return t;
}

bool customer_table_add(CustomerTable* t, const CustomerTag& tag) {
  if (tag.number <= 0) return false;
  CustomerTag* copy = static_cast<CustomerTag*>(std::malloc(sizeof(CustomerTag)));
  if (!copy) return false;
  CustomerNode* node = static_cast<CustomerNode*>(std::malloc(sizeof(CustomerNode)));
  if (!node) {
    std::free(copy);
    return false;
  }
  *copy = tag;
  int b = bucket_of(tag.number);
  node->tag = copy;
  node->next = t->buckets[b];
  t->buckets[b] = node;
  number_index_put(t, node);
  scan_index_free(t->scan);  // the scan order changed
  t->scan = nullptr;
  return true;
}

int32_t customer_table_find_number(const CustomerTable* t, CustomerTag* tag) {
  if (tag->number <= 0) return -1;
  if (t->by_number) {
    for (size_t j = number_slot(tag->number, t->by_number_size); t->by_number[j];
         j = (j + 1) & (t->by_number_size - 1))
      if (t->by_number[j]->tag->number == tag->number) {
        *tag = *t->by_number[j]->tag;
        return tag->record_offset;
      }
    return -1;
  }
  for (const CustomerNode* node = t->buckets[bucket_of(tag->number)]; node; node = node->next)
    if (node->tag->number == tag->number) {
      *tag = *node->tag;
      return tag->record_offset;
    }
  return -1;
}

void customer_split_name_key(const char* key, char last[32], char first[32]) {
  KeyText k(key, 32);
  last[0] = first[0] = 0;
  char* tokens[2] = {last, first};
  int found = 0;
  const char* p = k.s;
  while (*p && found < 2) {
    while (*p == ',') p++;
    if (!*p) break;
    const char* end = std::strchr(p, ',');
    if (!end) end = p + std::strlen(p);
    const char* start = p;
    if (found == 1)
      while (start < end && *start == ' ') start++;
    size_t n = static_cast<size_t>(end - start);
    std::memcpy(tokens[found], start, n);
    tokens[found][n] = 0;
    found++;
    p = end;
  }
}

bool customer_name_key_passes(const char* stored_key, const char* last, const char* first) {
  if (!std::strstr(stored_key, last)) return false;
  if (!first[0]) return true;
  const char* comma = std::strchr(stored_key, ',');
  return std::strstr(comma ? comma : stored_key, first) != nullptr;
}

int32_t customer_table_find_name(CustomerTable* t, const CustomerTag& tag) {
  char last[32], first[32];
  customer_split_name_key(tag.name_key, last, first);
  if (std::strlen(last) >= 3 || std::strlen(first) >= 3) {
    if (!t->scan) t->scan = scan_index_build(t);
    if (const ScanIndex* x = t->scan) {
      const uint64_t *lo = nullptr, *hi = nullptr;
      rarest_gram(x, last, &lo, &hi);
      rarest_gram(x, first, &lo, &hi);
      for (const uint64_t* p = lo; p < hi; p++) {
        const CustomerTag* c = x->by_rank[*p & 0xffffffffu];
        if (tag_passes(c, last, first)) return c->record_offset;
      }
      return -1;
    }
  }
  for (int b = 0; b < kCustomerBuckets; b++)
    for (const CustomerNode* node = t->buckets[b]; node; node = node->next)
      if (tag_passes(node->tag, last, first)) return node->tag->record_offset;
  return -1;
}

int32_t customer_table_find_phone(CustomerTable* t, CustomerTag* tag) {
  if (!t->scan) t->scan = scan_index_build(t);
  if (const ScanIndex* x = t->scan) {
    const int32_t* begin = x->by_phone;
    const int32_t* end = begin + x->count;
    const int32_t* p = std::lower_bound(begin, end, static_cast<const CustomerTag*>(tag), [x](int32_t r, const CustomerTag* k) {
      return phone_cmp(x->by_rank[r], k) < 0;
    });
    if (p == end || phone_cmp(x->by_rank[*p], tag) != 0) return -1;
    *tag = *x->by_rank[*p];
    return tag->record_offset;
  }
  KeyText probe(tag->phone_key, sizeof tag->phone_key);
  for (int b = 0; b < kCustomerBuckets; b++)
    for (const CustomerNode* node = t->buckets[b]; node; node = node->next)
      if (std::strcmp(KeyText(node->tag->phone_key, sizeof tag->phone_key).s, probe.s) == 0) {
        *tag = *node->tag;
        return tag->record_offset;
      }
  return -1;
}

void customer_table_free(CustomerTable* t) {
  if (!t) return;
  for (int b = 0; b < kCustomerBuckets; b++)
    for (CustomerNode* node = t->buckets[b]; node;) {
      CustomerNode* next = node->next;
      std::free(node->tag);
      std::free(node);
      node = next;
    }
  std::free(t->buckets);
  std::free(t->by_number);
  scan_index_free(t->scan);
  std::free(t);
}
