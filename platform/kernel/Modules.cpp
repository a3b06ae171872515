#include "platform/kernel/Modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <cstring>
#include <vector>

std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return ".";
  const std::string program(path, static_cast<size_t>(length));
  const size_t slash = program.rfind('/');
  return slash == std::string::npos ? "." : program.substr(0, slash);
}

namespace {

// The folders where the loader looks for the program's own libraries: its
// run path first ($ORIGIN resolved; an installed program's points to our
// library folder), then the system's. dlopen() alone would search the run
// path of whichever code calls it, which is not always the program's: a
// sanitizer's runtime intercepts the call, for one.
std::vector<std::string> ProgramLibraryFolders() {
  void* program = dlopen(nullptr, RTLD_LAZY);
  Dl_serinfo size{};
  if (program == nullptr || dlinfo(program, RTLD_DI_SERINFOSIZE, &size) != 0) return {};
  std::vector<std::max_align_t> buffer(size.dls_size / sizeof(std::max_align_t) + 1);
  auto* info = reinterpret_cast<Dl_serinfo*>(buffer.data());
  *info = size;
  std::vector<std::string> folders;
  if (dlinfo(program, RTLD_DI_SERINFO, info) == 0) {
    for (unsigned int i = 0; i < info->dls_cnt; ++i)
      folders.emplace_back(info->dls_serpath[i].dls_name);
  }
  return folders;
}

}  // namespace

HMODULE LoadLibraryA(const char* name) {
  if (name == nullptr || *name == '\0') return nullptr;
  void* handle = nullptr;
  if (std::strchr(name, '/') == nullptr) {
    handle = dlopen((ProgramFolder() + "/" + name).c_str(), RTLD_NOW | RTLD_LOCAL);
    for (const std::string& folder : ProgramLibraryFolders()) {
      if (handle != nullptr) break;
      handle = dlopen((folder + "/" + name).c_str(), RTLD_NOW | RTLD_LOCAL);
    }
  }
  if (handle == nullptr) handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  return static_cast<HMODULE>(handle);
}

HMODULE GetModuleHandleA(const char* name) {
  if (name != nullptr) return nullptr;
  // The program's own handle, the same for the life of the process.
  static void* const program = dlopen(nullptr, RTLD_LAZY);
  return static_cast<HMODULE>(program);
}

BOOL FreeLibrary(HMODULE module) {
  return module != nullptr && dlclose(module) == 0 ? 1 : 0;
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  // The loader hands out an object pointer; the entry point is a function.
  void* address = dlsym(module, name);
  FARPROC entry = nullptr;
  static_assert(sizeof(entry) == sizeof(address));
  std::memcpy(&entry, &address, sizeof(entry));
  return entry;
}
