#include "framework/List.h"

#include <algorithm>
#include <string>

#include "framework/Exceptions.h"

void TList::Check(int index, int limit) const {
  if (index < 0 || index >= limit) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
}

int TList::Add(void* item) {
  FItems.push_back(item);
  return Count() - 1;
}

void TList::Insert(int index, void* item) {
  Check(index, Count() + 1);
  FItems.insert(FItems.begin() + index, item);
}

void TList::Delete(int index) {
  Check(index, Count());
  FItems.erase(FItems.begin() + index);
}

int TList::Remove(void* item) {
  const int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

int TList::IndexOf(const void* item) const {
  const auto found = std::find(FItems.begin(), FItems.end(), item);
  return found == FItems.end() ? -1 : static_cast<int>(found - FItems.begin());
}

void* TList::Get(int index) const {
  Check(index, Count());
  return FItems[index];
}

void TList::Put(int index, void* item) {
  Check(index, Count());
  FItems[index] = item;
}

void TList::Clear() {
  FItems.clear();
}
