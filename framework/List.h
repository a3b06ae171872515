#pragma once

#include <vector>

#include "framework/Object.h"

// A list of untyped pointers. Clear is virtual so that a derived list can own
// its items and free them.
class TList : public TObject {
 public:
  ~TList() override = default;

  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  // Removes the first occurrence; returns its former index, or -1.
  int Remove(void* item);
  int IndexOf(const void* item) const;
  void* Get(int index) const;
  void Put(int index, void* item);
  void* operator[](int index) const { return Get(index); }
  int Count() const { return static_cast<int>(FItems.size()); }
  void* First() const { return Get(0); }
  void* Last() const { return Get(Count() - 1); }
  virtual void Clear();

 private:
  void Check(int index, int limit) const;
  std::vector<void*> FItems;
};
