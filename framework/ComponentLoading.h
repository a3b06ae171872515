#pragma once

#include <string>
#include <utility>
#include <vector>

#include "framework/Component.h"

// Builds a component tree as a stored form does: every component is created
// with csLoading set, the stored property values are then applied in the
// order the form states them (by the caller, through the ordinary setters),
// and Finish() clears csLoading and calls Loaded on each component, in the
// order they were added (the root first).
//
//   TComponentLoading loading(form);
//   auto* edit = loading.Create<TIntEdit>(form, "PortNo");
//   edit->SetValue(40000);   // applied before Max, as stored
//   edit->SetMax(65535);
//   loading.Finish();
class TComponentLoading {
 public:
  explicit TComponentLoading(TComponent* root);
  // Finishes the loading if Finish() was not called (an exception left early).
  ~TComponentLoading();

  TComponentLoading(const TComponentLoading&) = delete;
  TComponentLoading& operator=(const TComponentLoading&) = delete;

  // Creates a component of type T owned by `owner`, named `name`, loading.
  template <typename T, typename... Args>
  T* Create(TComponent* owner, const std::string& name, Args&&... args) {
    T* component = new T(owner, std::forward<Args>(args)...);
    Add(component);
    component->SetName(name);
    return component;
  }
  // Takes a component created otherwise into the loading.
  void Add(TComponent* component);

  void Finish();

 private:
  std::vector<TComponent*> FLoaded;
  bool FFinished = false;
};
