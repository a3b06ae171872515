#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Object.h"

// What a component is going through; tested as `ComponentState().Has(csLoading)`.
enum TComponentStateFlag : uint8_t {
  csLoading = 1 << 0,     // its stored properties are being applied
  csDesigning = 1 << 1,   // it is being designed, not run
  csDestroying = 1 << 2,  // it is being destroyed
};

class TComponentState {
 public:
  bool Has(TComponentStateFlag flag) const { return (FBits & flag) != 0; }
  void Include(TComponentStateFlag flag) { FBits |= flag; }
  void Exclude(TComponentStateFlag flag) { FBits &= static_cast<uint8_t>(~flag); }
  bool Empty() const { return FBits == 0; }

 private:
  uint8_t FBits = 0;
};

// A component: has an owner, owns the components created with it as their
// owner, and destroys them when it is destroyed, the last created first.
// Before a component's destructor runs, csDestroying is set on it and on
// everything it owns. Destroy components with `delete` or Free(); either way
// an owner learns of it.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const { return FComponents.at(index); }
  // The owned component of that name (names compare case-insensitively), or null.
  TComponent* FindComponent(const std::string& name) const;

  const std::string& Name() const { return FName; }
  // An empty name, or an identifier unique among the owner's components;
  // throws EComponentError otherwise.
  void SetName(const std::string& name);

  const TComponentState& ComponentState() const { return FComponentState; }

  // Called once a stored form's values have all been applied.
  virtual void Loaded();

  // Marks this component, and what it owns, as about to be destroyed.
  void Destroying();
  // Sets or clears design mode here and, with `setChildren`, on all owned.
  void SetDesigning(bool designing, bool setChildren = true);

  // Marks the component as loading; ComponentLoading uses these.
  void BeginLoading() { FComponentState.Include(csLoading); }
  void EndLoading() { FComponentState.Exclude(csLoading); }

  // Destroys `component` (null is fine) as an owner would.
  static void Free(TComponent* component);

  // Runs just before the destructor when the component is destroyed by its
  // owner or with Free(), while the whole object is still intact (a form
  // raises OnDestroy here).
  virtual void BeforeDestruction() {}

  // Expires when the component is destroyed: a component that raises an
  // event checks it before touching itself again, since a handler may have
  // destroyed it.
  //   auto alive = Alive(); OnChange(this); if (alive.expired()) return;
  std::weak_ptr<const void> Alive() const { return FAlive; }

 protected:
  // Lets go of every owned component without destroying it: for an owner
  // that outlives the window system (the application object at exit).
  void ReleaseComponents();

 private:
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  TComponent* FOwner;
  std::vector<TComponent*> FComponents;
  std::string FName;
  TComponentState FComponentState;
  std::shared_ptr<const int> FAlive = std::make_shared<const int>(0);
};
