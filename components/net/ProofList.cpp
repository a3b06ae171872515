#include "components/net/ProofList.h"

#include "framework/Component.h"

TProofList::~TProofList() {
  Clear();
}

void TProofList::Clear() {
  // An item's destruction may look at the list: take each out first.
  while (Count() > 0) {
    auto* item = static_cast<TComponent*>(Last());
    Delete(Count() - 1);
    TComponent::Free(item);
  }
}
