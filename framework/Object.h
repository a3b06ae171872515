#pragma once

// Root of the framework's classes: polymorphic, so that a sender can be any
// object and be told apart with dynamic_cast.
class TObject {
 public:
  virtual ~TObject() = default;
};
