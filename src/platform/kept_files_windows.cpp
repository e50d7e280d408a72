// The kept files on Windows: in %APPDATA%\skorvia, replaced with MoveFileEx.
#include "platform/kept_files.h"

#include <windows.h>

#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/kept_files_common.h"

namespace {

bool join(char* out, size_t capacity, const char* a, const char* b) {
    return join_kept_path(out, capacity, a, '\\', b);
}

const char* make_folder(const char* partial) {
    if (CreateDirectoryA(partial, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return nullptr;
    return "can't make the folder";
}

// Every missing folder on the way.
const char* make_folders(const char* path) {
    if (const char* failure = make_kept_folders(path, 3, "\\/", make_folder)) return failure;  // past "C:\"
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return "not a folder";
    return nullptr;
}

}  // namespace

bool kept_folder(char* out, size_t capacity) {
    out[0] = '\0';
    const char* appdata = std::getenv("APPDATA");
    if (!appdata || appdata[0] == '\0') return false;
    if (!join(out, capacity, appdata, "skorvia")) {
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
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        if (errno == ENOENT) return ReadOutcome::Missing;
        error = std::strerror(errno);
        return ReadOutcome::Unreadable;
    }
    size = std::fread(buffer, 1, capacity, file);
    ReadOutcome outcome = ReadOutcome::Read;
    if (std::ferror(file)) {
        error = std::strerror(errno);
        outcome = ReadOutcome::Unreadable;
    } else if (size == capacity && std::fgetc(file) != EOF) {
        error = "too large";
        outcome = ReadOutcome::Unreadable;
    }
    std::fclose(file);
    return outcome;
}

const char* write_kept_file(const char* folder, const char* name, const char* bytes, size_t size) {
    if (const char* error = make_folders(folder)) return error;
    char path[MAX_KEPT_PATH];
    char temporary[MAX_KEPT_PATH];
    if (!join(path, sizeof path, folder, name) ||
        std::snprintf(temporary, sizeof temporary, "%s.new-%lu", path, GetCurrentProcessId()) >=
            static_cast<int>(sizeof temporary)) {
        return "the path is too long";
    }
    std::FILE* file = std::fopen(temporary, "wb");
    if (!file) return std::strerror(errno);
    bool written = std::fwrite(bytes, 1, size, file) == size && std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::remove(temporary);
        return "can't write the file";
    }
    if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        std::remove(temporary);
        return "can't replace the file";
    }
    return nullptr;
}
