#pragma once

#include <exception>
#include <string>

// The framework's exception: a message and nothing else. Handlers of window
// messages never let one escape; the application object reports it.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// The system refused a resource (a timer, a window).
class EOutOfResources : public Exception {
 public:
  explicit EOutOfResources(std::string message = {}) : Exception(std::move(message)) {}
};

// A call made against a unit's calling rules: a programming error, raised
// in every build rather than compiled away.
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

// A component tree was used against its rules (a duplicate name).
class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

// An index outside a list.
class EListError : public Exception {
 public:
  using Exception::Exception;
};
