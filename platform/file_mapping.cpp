#include "platform/file_mapping.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// Opening a FIFO for reading waits for a writer unless it is non-blocking;
// the flag is dropped again once the descriptor is known to be a regular file.
static int openRegular(const char* fileName, struct stat* info) {
    int fd = open(fileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    if (fstat(fd, info) != 0 || !S_ISREG(info->st_mode) ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        const int error = S_ISDIR(info->st_mode) ? EISDIR : EINVAL;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

bool mapFile(const char* fileName, FileMapping* mapping) {
    *mapping = FileMapping{};
    struct stat info {};
    int fd = openRegular(fileName, &info);
    if (fd < 0)
        return false;
    // An empty file has nothing to map, as on the platform this stands in for.
    if (info.st_size <= 0) {
        close(fd);
        return false;
    }
    void* view = mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    // The view keeps the file's pages; the descriptor is not needed any more.
    close(fd);
    if (view == MAP_FAILED)
        return false;
    mapping->data = static_cast<const unsigned char*>(view);
    mapping->size = size_t(info.st_size);
    return true;
}

void unmapFile(FileMapping* mapping) {
    if (mapping->data)
        munmap(const_cast<unsigned char*>(mapping->data), mapping->size);
    *mapping = FileMapping{};
}

FILE* openRegularFile(const char* fileName, size_t* size) {
    struct stat info {};
    int fd = openRegular(fileName, &info);
    if (fd < 0)
        return nullptr;
    FILE* file = fdopen(fd, "rb");
    if (!file) {
        close(fd);
        return nullptr;
    }
    if (size)
        *size = size_t(info.st_size);
    return file;
}
