// Read-only views of whole files, and the one way the readers open a file.
#pragma once

#include <cstddef>
#include <cstdio>

struct FileMapping {
    const unsigned char* data = nullptr;
    size_t size = 0;
};

// False when the file cannot be opened, is not a regular file, is empty or
// cannot be mapped; the mapping is then left empty.
bool mapFile(const char* fileName, FileMapping* mapping);
// Safe on an empty mapping; leaves it empty.
void unmapFile(FileMapping* mapping);

// fopen(fileName, "rb") for regular files only: a FIFO or a device named in
// place of a file gives null at once (errno EINVAL, or EISDIR for a folder)
// instead of blocking or reading without end. *size, when given, receives
// the file's length.
FILE* openRegularFile(const char* fileName, size_t* size = nullptr);
