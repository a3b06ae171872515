#include "platform/shell/ItemLists.h"

#include <cstdlib>
#include <cstring>

// The path's length; its bytes and a zero follow in the same block.
struct ITEMIDLIST {
  size_t length;
};

namespace {

char* PathOf(ITEMIDLIST* item) {
  return reinterpret_cast<char*>(item + 1);
}
const char* PathOf(const ITEMIDLIST* item) {
  return reinterpret_cast<const char*>(item + 1);
}

// One allocator for the process, as the platform's; references are counted
// only to keep the contract, the allocator itself never goes.
class ShellAllocator final : public IMalloc {
 public:
  void* Alloc(size_t size) override {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block != nullptr) ++FBlocks;
    return block;
  }
  void Free(void* block) override {
    if (block == nullptr) return;
    std::free(block);
    --FBlocks;
  }
  ULONG AddRef() override { return ++FReferences; }
  ULONG Release() override { return FReferences > 0 ? --FReferences : 0; }
  int Blocks() const { return FBlocks; }

 private:
  int FBlocks = 0;
  ULONG FReferences = 0;
};

ShellAllocator gAllocator;

}  // namespace

HRESULT SHGetMalloc(IMalloc** allocator) {
  if (allocator == nullptr) return E_INVALIDARG;
  gAllocator.AddRef();
  *allocator = &gAllocator;
  return S_OK;
}

int ShellBlocksInUse() {
  return gAllocator.Blocks();
}

LPITEMIDLIST NewItemList(const std::string& path) {
  auto* item = static_cast<ITEMIDLIST*>(gAllocator.Alloc(sizeof(ITEMIDLIST) + path.size() + 1));
  if (item == nullptr) return nullptr;
  item->length = path.size();
  std::memcpy(PathOf(item), path.c_str(), path.size() + 1);
  return item;
}

std::string ItemListPath(LPCITEMIDLIST item) {
  return item == nullptr ? std::string() : std::string(PathOf(item), item->length);
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST item, LPSTR path) {
  if (path == nullptr) return 0;
  path[0] = '\0';
  // A path that does not fit is not cut: a shorter one would name another folder.
  if (item == nullptr || item->length >= static_cast<size_t>(MAX_PATH)) return 0;
  std::memcpy(path, PathOf(item), item->length + 1);
  return 1;
}
