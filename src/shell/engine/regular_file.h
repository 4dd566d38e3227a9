// Opening the files the game reads (settings, archives, timing file, songs):
// only a regular file of a bounded size is ever read, so a FIFO cannot hang
// the game and a device or a huge file is refused before anything is read.
#pragma once
#include <cstddef>
#include <memory>
#include <string>

// What was found at a path the game reads.
enum class FileCheck {
    READ,           // a regular file within the size limit, opened or read whole
    MISSING,        // nothing there (or a folder on the way is missing)
    DANGLING_LINK,  // a symbolic link to nothing
    NOT_REGULAR,    // a folder, a FIFO, a device, a socket
    TOO_LARGE,      // larger than the limit the caller gave
    UNREADABLE,     // the system refused it (permissions, out of file descriptors...)
    NO_MEMORY       // its bytes could not be held in memory
};

// Opens `path` for reading when it is a regular file (a link to one is
// followed) of at most `max_bytes`: the descriptor, or -1 with `found` and
// `err` (the system's error number, 0 when none) saying why. Never waits for
// a FIFO's writer and never opens a device it would have to read.
int open_regular_file(const char* path, long max_bytes, FileCheck& found, int& err);

struct FreeFileBytes {
    void operator()(unsigned char* p) const;
};
// A file's bytes, allocated so that a failure to allocate is reported rather
// than thrown.
struct FileBytes {
    std::unique_ptr<unsigned char, FreeFileBytes> data;
    size_t size = 0;
};

// Reads the regular file at `path` whole into `bytes` (see open_regular_file);
// reading stops soon after `max_bytes` even if the file grows meanwhile. On
// anything but READ, `bytes` is empty. The buffer lives on the heap: callers
// may run on a small stack.
FileCheck read_regular_file(const char* path, long max_bytes, FileBytes& bytes, int& err);

// Words for what was found, to follow the file's name in a message:
// "is not a regular file", "is larger than 1 MB", "cannot be read (Too many
// open files)", "is a link to nothing", "does not exist", "could not be held
// in memory".
std::string file_check_text(FileCheck found, int err, long max_bytes);
