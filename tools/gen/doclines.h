// Building the line lists of a workorder in memory. The nodes and texts come
// from the general allocator, as wo_free expects of every owned pointer.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>

#include "docs/workorder.h"
#include "gen.h"

template <class T>
T* line_new() {
  T* p = static_cast<T*>(std::calloc(1, sizeof(T)));
  if (!p) gen_fail("out of memory");
  return p;
}

inline char* text_new(const std::string& s) {
  char* p = static_cast<char*>(std::malloc(s.size() + 1));
  if (!p) gen_fail("out of memory");
  std::memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

// Appends a node at the end of a doubly linked list.
template <class T>
void line_append(T** head, T* node) {
  if (!*head) {
    *head = node;
    return;
  }
  T* last = *head;
  while (last->next) last = last->next;
  last->next = node;
  node->prev = last;
}
