#include "framework/Registration.h"

#include <algorithm>

namespace {
std::vector<TRegisteredComponent>& Registry() {
  static std::vector<TRegisteredComponent> registry;
  return registry;
}
}  // namespace

void RegisterComponent(const std::string& page, const std::string& className,
                       TComponentFactory create) {
  auto& registry = Registry();
  const auto same = [&](const TRegisteredComponent& entry) { return entry.className == className; };
  // Registering a class again replaces it rather than listing it twice.
  registry.erase(std::remove_if(registry.begin(), registry.end(), same), registry.end());
  registry.push_back({page, className, std::move(create)});
}

const std::vector<TRegisteredComponent>& RegisteredComponents() {
  return Registry();
}

std::vector<std::string> PalettePages() {
  std::vector<std::string> pages;
  for (const auto& entry : Registry()) {
    if (std::find(pages.begin(), pages.end(), entry.page) == pages.end()) {
      pages.push_back(entry.page);
    }
  }
  return pages;
}

TComponent* CreateRegisteredComponent(const std::string& className, TComponent* owner) {
  for (const auto& entry : Registry()) {
    if (entry.className == className) return entry.create(owner);
  }
  return nullptr;
}
