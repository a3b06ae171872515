#include "components/net/ComponentLifetime.h"

#include <vector>

#include "framework/Application.h"

namespace {
// The objects being watched, innermost last. Never destroyed: components
// may still be destroyed while the program ends.
std::vector<TLifeToken>& Watching() {
  static auto* watching = new std::vector<TLifeToken>();
  return *watching;
}
// Where the objects watched since the program last called in begin.
size_t gStretch = 0;

bool AnyGone(size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) {
    if (Watching()[i].expired()) return true;
  }
  return false;
}
}  // namespace

TWatch::TWatch(std::initializer_list<TLifeToken> objects) : FMark(Watching().size()) {
  Watching().insert(Watching().end(), objects);
}

TWatch::~TWatch() {
  Watching().resize(FMark);
}

bool TWatch::GoneFurtherOut() const {
  return AnyGone(gStretch, FMark);
}

void ThrowIfWatchedObjectGone() {
  if (AnyGone(gStretch, Watching().size())) throw TComponentGone{};
}

namespace component_lifetime_detail {

size_t OpenCallOut() {
  const size_t outer = gStretch;
  gStretch = Watching().size();
  return outer;
}

void CloseCallOut(size_t outer) {
  gStretch = outer;
}

void ProgramCodeFailed() {
  if (!AnyGone(gStretch, Watching().size())) throw;
  // Whoever would have reported it is gone: report it here.
  Application->HandleException(nullptr);
  throw TComponentGone{};
}

}  // namespace component_lifetime_detail
