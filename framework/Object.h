#pragma once

struct TMessage;

// Root of the framework's classes: polymorphic, so that a sender can be any
// object and be told apart with dynamic_cast.
class TObject {
 public:
  virtual ~TObject() = default;

  // Hands a message to the class's handler for it. Classes that handle
  // messages replace this and pass what they do not handle on to the
  // inherited Dispatch; what nobody handles reaches DefaultHandler.
  virtual void Dispatch(TMessage& message) { DefaultHandler(message); }
  virtual void DefaultHandler(TMessage&) {}
};
