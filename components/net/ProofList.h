#pragma once

#include "framework/List.h"

class TComponent;

// A list that owns its items (components): Clear destroys every one, from
// the last to the first, and so does the list's destruction.
class TProofList : public TList {
 public:
  ~TProofList() override;
  void Clear() override;
};
