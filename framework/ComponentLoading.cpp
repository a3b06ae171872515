#include "framework/ComponentLoading.h"

TComponentLoading::TComponentLoading(TComponent* root) {
  Add(root);
}

TComponentLoading::~TComponentLoading() {
  if (FFinished) return;
  // Leave no component marked as loading, but do not run Loaded: the stored
  // values were not all applied.
  for (TComponent* component : FLoaded)
    component->EndLoading();
}

void TComponentLoading::Add(TComponent* component) {
  component->BeginLoading();
  FLoaded.push_back(component);
}

void TComponentLoading::Finish() {
  if (FFinished) return;
  FFinished = true;
  for (TComponent* component : FLoaded)
    component->EndLoading();
  for (TComponent* component : FLoaded)
    component->Loaded();
}
