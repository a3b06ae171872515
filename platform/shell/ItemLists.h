#pragma once

// Item lists of the shell layer (internal): blocks of the shell's allocator
// that hold a folder's path.

#include <string>

#include "platform/shell/ShlObj.h"

// A new item list for `path`, from the shell's allocator; null when out of memory.
LPITEMIDLIST NewItemList(const std::string& path);
// The path an item list holds; empty for null.
std::string ItemListPath(LPCITEMIDLIST item);
