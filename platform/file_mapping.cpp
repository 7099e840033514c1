#include "platform/file_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

bool mapFile(const char* fileName, FileMapping* mapping) {
    *mapping = FileMapping{};
    int fd = open(fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    // An empty file has nothing to map, as on the platform this stands in for.
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
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
