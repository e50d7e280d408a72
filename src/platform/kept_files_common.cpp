#include "platform/kept_files_common.h"

#include <cstdio>
#include <cstring>

#include "platform/kept_files.h"

bool join_kept_path(char* out, size_t capacity, const char* folder, char separator, const char* name) {
    const int n = std::snprintf(out, capacity, "%s%c%s", folder, separator, name);
    return n > 0 && static_cast<size_t>(n) < capacity;
}

const char* make_kept_folders(const char* path, size_t first, const char* separators,
                              const char* (*make_one)(const char* partial)) {
    char partial[MAX_KEPT_PATH];
    const size_t n = std::strlen(path);
    if (n >= sizeof partial) return "the path is too long";
    std::memcpy(partial, path, n + 1);
    for (size_t i = first; i <= n; ++i) {
        if (partial[i] != '\0' && std::strchr(separators, partial[i]) == nullptr) continue;
        const char kept = partial[i];
        partial[i] = '\0';
        if (const char* failure = make_one(partial)) return failure;
        partial[i] = kept;
    }
    return nullptr;
}
