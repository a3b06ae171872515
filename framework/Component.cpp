#include "framework/Component.h"

#include <strings.h>
#include <algorithm>
#include <cctype>

#include "framework/Exceptions.h"

namespace {

bool IsIdentifier(const std::string& name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

}  // namespace

TComponent::TComponent(TComponent* owner) : FOwner(nullptr) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // The last created goes first. Each removes itself from the list as its
  // destructor ends, so take from the back until none are left.
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back();
    last->BeforeDestruction();
    delete last;
  }
  if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* component) {
  component->FOwner = this;
  FComponents.push_back(component);
  // A component created inside a designed tree is designed too.
  if (FComponentState.Has(csDesigning)) component->SetDesigning(true);
}

void TComponent::RemoveComponent(TComponent* component) {
  const auto found = std::find(FComponents.begin(), FComponents.end(), component);
  if (found != FComponents.end()) FComponents.erase(found);
  component->FOwner = nullptr;
}

void TComponent::ReleaseComponents() {
  for (TComponent* component : FComponents)
    component->FOwner = nullptr;
  FComponents.clear();
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* component : FComponents) {
    if (strcasecmp(component->FName.c_str(), name.c_str()) == 0) return component;
  }
  return nullptr;
}

void TComponent::SetName(const std::string& name) {
  if (name == FName) return;
  if (!name.empty() && !IsIdentifier(name)) {
    throw EComponentError("'" + name + "' is not a valid component name");
  }
  if (FOwner != nullptr) {
    const TComponent* other = FOwner->FindComponent(name);
    if (other != nullptr && other != this) {
      throw EComponentError("A component named " + name + " already exists");
    }
  }
  FName = name;
}

// As in a stored form, a loaded component is no longer loading.
void TComponent::Loaded() {
  EndLoading();
}

void TComponent::Destroying() {
  if (FComponentState.Has(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* component : FComponents)
    component->Destroying();
}

void TComponent::SetDesigning(bool designing, bool setChildren) {
  if (designing) {
    FComponentState.Include(csDesigning);
  } else {
    FComponentState.Exclude(csDesigning);
  }
  if (setChildren) {
    for (TComponent* component : FComponents)
      component->SetDesigning(designing, true);
  }
}

void TComponent::Free(TComponent* component) {
  if (component == nullptr) return;
  component->Destroying();
  component->BeforeDestruction();
  delete component;
}
