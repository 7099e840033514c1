// Read-only views of whole files.
#pragma once

#include <cstddef>

struct FileMapping {
    const unsigned char* data = nullptr;
    size_t size = 0;
};

// False when the file cannot be opened, is not a regular file, is empty or
// cannot be mapped; the mapping is then left empty.
bool mapFile(const char* fileName, FileMapping* mapping);
// Safe on an empty mapping; leaves it empty.
void unmapFile(FileMapping* mapping);
