#include "app/CaptureName.h"

#include <locale.h>

std::string CaptureName(std::time_t when) {
  static const locale_t plain = newlocale(LC_ALL_MASK, "C", locale_t{});
  char name[80];
  std::tm local{};
  localtime_r(&when, &local);
  const size_t length = strftime_l(name, sizeof name, "%b-%d-%y--%H-%M-%S.png", &local, plain);
  return std::string(name, length);
}
