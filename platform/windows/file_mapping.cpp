#include "platform/file_mapping.h"

#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <io.h>

static int errnoFor(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return EACCES;
    default:
        return EIO;
    }
}

// Read access, others may read too, existing files only. A folder, a pipe or
// a device named in place of a file gives an invalid handle at once (errno
// EISDIR or EINVAL), never a read that blocks or never ends.
static HANDLE openRegular(const char* fileName, int64_t* size) {
    const DWORD attributes = GetFileAttributesA(fileName);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        errno = EISDIR;
        return INVALID_HANDLE_VALUE;
    }
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        errno = errnoFor(GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    LARGE_INTEGER length;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &length)) {
        CloseHandle(file);
        errno = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    *size = length.QuadPart;
    return file;
}

bool mapFile(const char* fileName, FileMapping* mapping) {
    *mapping = FileMapping{};
    int64_t size = 0;
    HANDLE file = openRegular(fileName, &size);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // An empty file has nothing to map: Windows refuses to.
    HANDLE section = size > 0 && uint64_t(size) <= SIZE_MAX
                         ? CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr)
                         : nullptr;
    const void* view = section ? MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0) : nullptr;
    // The view keeps the mapping and the file open until it is unmapped.
    if (section)
        CloseHandle(section);
    CloseHandle(file);
    if (!view)
        return false;
    mapping->data = static_cast<const unsigned char*>(view);
    mapping->size = size_t(size);
    return true;
}

void unmapFile(FileMapping* mapping) {
    if (mapping->data)
        UnmapViewOfFile(mapping->data);
    *mapping = FileMapping{};
}

FILE* openRegularFile(const char* fileName, size_t* size) {
    int64_t length = 0;
    HANDLE file = openRegular(fileName, &length);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    const int fd = _open_osfhandle(intptr_t(file), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(file);
        return nullptr;
    }
    FILE* stream = _fdopen(fd, "rb");
    if (!stream) {
        _close(fd);
        return nullptr;
    }
    if (size)
        *size = size_t(length);
    return stream;
}
