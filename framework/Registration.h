#pragma once

#include <functional>
#include <string>
#include <vector>

class TComponent;

// The components a library offers a designer, by palette page. A program
// can list them and create any of them by class name.
using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

struct TRegisteredComponent {
  std::string page;
  std::string className;
  TComponentFactory create;
};

void RegisterComponent(const std::string& page, const std::string& className,
                       TComponentFactory create);
const std::vector<TRegisteredComponent>& RegisteredComponents();
// Pages in the order they were first used.
std::vector<std::string> PalettePages();
// Creates a registered class; null when no class of that name is registered.
TComponent* CreateRegisteredComponent(const std::string& className, TComponent* owner);
