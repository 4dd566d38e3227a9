// Opening and reading the game's files with the regular-file and size checks.
#include "regular_file.h"
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static const long BYTES_PER_MB = 1L << 20;
// First read size for a file that says it is empty (files under /proc do).
static const size_t FIRST_READ_BYTES = 4096;

void FreeFileBytes::operator()(unsigned char* p) const
{
    free(p);
}

int open_regular_file(const char* path, long max_bytes, FileCheck& found, int& err)
{
    err = 0;
    struct stat st;
    // Looked at before opening: opening a FIFO or some devices has effects of its own.
    if (stat(path, &st) != 0) {
        err = errno;
        struct stat link;
        if (err == ENOENT && lstat(path, &link) == 0)
            found = FileCheck::DANGLING_LINK;
        else if (err == ENOENT || err == ENOTDIR)
            found = FileCheck::MISSING;
        else
            found = FileCheck::UNREADABLE;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        found = FileCheck::NOT_REGULAR;
        return -1;
    }
    if (st.st_size > max_bytes) {
        found = FileCheck::TOO_LARGE;
        return -1;
    }
    // Without waiting, in case something else stands there by now.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        found = err == ENOENT ? FileCheck::MISSING : FileCheck::UNREADABLE;
        return -1;
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > max_bytes) {
        found = S_ISREG(st.st_mode) ? FileCheck::TOO_LARGE : FileCheck::NOT_REGULAR;
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    found = FileCheck::READ;
    return fd;
}

FileCheck read_regular_file(const char* path, long max_bytes, FileBytes& bytes, int& err)
{
    bytes.data.reset();
    bytes.size = 0;
    FileCheck found;
    const int fd = open_regular_file(path, max_bytes, found, err);
    if (fd < 0)
        return found;
    struct stat st;
    const size_t limit = static_cast<size_t>(max_bytes);
    // One byte more than the file holds shows the end at once; a file that
    // grows is read on up to one byte past the limit.
    size_t capacity = fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : FIRST_READ_BYTES;
    if (capacity > limit + 1)
        capacity = limit + 1;
    unsigned char* buffer = static_cast<unsigned char*>(malloc(capacity));
    size_t size = 0;
    found = buffer ? FileCheck::READ : FileCheck::NO_MEMORY;
    while (found == FileCheck::READ) {
        if (size == capacity) {
            if (capacity > limit) {
                found = FileCheck::TOO_LARGE;
                break;
            }
            const size_t larger = capacity * 2 > limit + 1 ? limit + 1 : capacity * 2;
            unsigned char* grown = static_cast<unsigned char*>(realloc(buffer, larger));
            if (!grown) {
                found = FileCheck::NO_MEMORY;
                break;
            }
            buffer = grown;
            capacity = larger;
        }
        const ssize_t n = read(fd, buffer + size, capacity - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            err = errno;
            found = FileCheck::UNREADABLE;
        } else if (n == 0) {
            break;
        } else {
            size += static_cast<size_t>(n);
        }
    }
    if (found == FileCheck::READ && size > limit)
        found = FileCheck::TOO_LARGE;
    close(fd);
    if (found != FileCheck::READ) {
        free(buffer);
        return found;
    }
    bytes.data.reset(buffer);
    bytes.size = size;
    return found;
}

std::string file_check_text(FileCheck found, int err, long max_bytes)
{
    switch (found) {
    case FileCheck::READ:
        return "was read";
    case FileCheck::MISSING:
        return "does not exist";
    case FileCheck::DANGLING_LINK:
        return "is a link to nothing";
    case FileCheck::NOT_REGULAR:
        return "is not a regular file";
    case FileCheck::TOO_LARGE:
        return "is larger than " +
            (max_bytes % BYTES_PER_MB == 0 ? std::to_string(max_bytes / BYTES_PER_MB) + " MB"
                                           : std::to_string(max_bytes) + " bytes");
    case FileCheck::UNREADABLE:
        return "cannot be read (" + std::string(std::strerror(err)) + ")";
    case FileCheck::NO_MEMORY:
        return "could not be held in memory";
    }
    return "";
}
