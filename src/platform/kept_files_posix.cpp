// The kept files on POSIX systems.
#include "platform/kept_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/kept_files_common.h"

namespace {

bool join(char* out, size_t capacity, const char* a, const char* b) { return join_kept_path(out, capacity, a, '/', b); }

const char* make_folder(const char* partial) {
    return mkdir(partial, 0700) != 0 && errno != EEXIST ? std::strerror(errno) : nullptr;
}

// mkdir -p: every missing folder on the way.
const char* make_folders(const char* path) {
    if (const char* failure = make_kept_folders(path, 1, "/", make_folder)) return failure;
    struct stat info;
    if (stat(path, &info) != 0) return std::strerror(errno);
    if (!S_ISDIR(info.st_mode)) return "not a folder";
    return nullptr;
}

bool write_all(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool kept_folder(char* out, size_t capacity) {
    out[0] = '\0';
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // Only an absolute path counts; a relative one would depend on where the
    // game was started.
    if (xdg && xdg[0] == '/') return join(out, capacity, xdg, "skorvia") || (out[0] = '\0', false);
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') return false;
    const int n = std::snprintf(out, capacity, "%s/.config/skorvia", home);
    if (n <= 0 || static_cast<size_t>(n) >= capacity) {
        out[0] = '\0';
        return false;
    }
    return true;
}

ReadOutcome read_kept_file(const char* folder, const char* name, char* buffer, size_t capacity, size_t& size,
                           const char*& error) {
    char path[MAX_KEPT_PATH];
    size = 0;
    if (!join(path, sizeof path, folder, name)) {
        error = "the path is too long";
        return ReadOutcome::Unreadable;
    }
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return ReadOutcome::Missing;
        error = std::strerror(errno);
        return ReadOutcome::Unreadable;
    }
    ReadOutcome outcome = ReadOutcome::Read;
    for (;;) {
        if (size == capacity) {
            char probe;
            if (::read(fd, &probe, 1) > 0) {
                error = "too large";
                outcome = ReadOutcome::Unreadable;
            }
            break;
        }
        const ssize_t n = ::read(fd, buffer + size, capacity - size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = std::strerror(errno);  // a folder of that name, for one
            outcome = ReadOutcome::Unreadable;
            break;
        }
        if (n == 0) break;
        size += static_cast<size_t>(n);
    }
    ::close(fd);
    return outcome;
}

const char* write_kept_file(const char* folder, const char* name, const char* bytes, size_t size) {
    if (const char* error = make_folders(folder)) return error;
    char path[MAX_KEPT_PATH];
    char temporary[MAX_KEPT_PATH];
    if (!join(path, sizeof path, folder, name) ||
        std::snprintf(temporary, sizeof temporary, "%s.new-XXXXXX", path) >= static_cast<int>(sizeof temporary)) {
        return "the path is too long";
    }
    const int fd = mkstemp(temporary);
    if (fd < 0) return std::strerror(errno);
    const bool written = write_all(fd, bytes, size) && fsync(fd) == 0;
    const int saved_errno = errno;
    ::close(fd);
    if (!written || std::rename(temporary, path) != 0) {
        const int failure = written ? errno : saved_errno;
        ::unlink(temporary);
        return failure != 0 ? std::strerror(failure) : "the disk is full";
    }
    return nullptr;
}
