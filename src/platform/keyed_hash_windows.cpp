#include "platform/keyed_hash.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <new>

// CNG's reusable hash object returns to its keyed start after each result,
// so hashing allocates nothing; the object's memory is ours.
struct KeyedHash {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    unsigned char object[1024] = {};
};

namespace {

constexpr ULONG SHA256_SIZE = 32;

bool succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

KeyedHash* create_keyed_hash() {
    KeyedHash* h = new (std::nothrow) KeyedHash;
    if (!h) return nullptr;
    unsigned char key[32];
    ULONG object_size = 0, got = 0;
    bool ok = succeeded(BCryptGenRandom(nullptr, key, sizeof key, BCRYPT_USE_SYSTEM_PREFERRED_RNG)) &&
              succeeded(BCryptOpenAlgorithmProvider(&h->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                    BCRYPT_ALG_HANDLE_HMAC_FLAG | BCRYPT_HASH_REUSABLE_FLAG)) &&
              succeeded(BCryptGetProperty(h->algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&object_size),
                                          sizeof object_size, &got, 0)) &&
              object_size <= sizeof h->object &&
              succeeded(BCryptCreateHash(h->algorithm, &h->hash, h->object, sizeof h->object, key, sizeof key,
                                         BCRYPT_HASH_REUSABLE_FLAG));
    SecureZeroMemory(key, sizeof key);
    if (!ok) {
        destroy_keyed_hash(h);
        return nullptr;
    }
    return h;
}

void destroy_keyed_hash(KeyedHash* h) {
    if (!h) return;
    if (h->hash) BCryptDestroyHash(h->hash);
    if (h->algorithm) BCryptCloseAlgorithmProvider(h->algorithm, 0);
    delete h;
}

bool keyed_hash(KeyedHash& h, const uint8_t* data, size_t length, uint8_t out[KEYED_HASH_SIZE]) {
    unsigned char full[SHA256_SIZE];
    const bool ok = succeeded(BCryptHashData(h.hash, const_cast<PUCHAR>(data), static_cast<ULONG>(length), 0)) &&
                    succeeded(BCryptFinishHash(h.hash, full, sizeof full, 0));
    if (ok) std::memcpy(out, full, KEYED_HASH_SIZE);
    else std::memset(out, 0, KEYED_HASH_SIZE);
    return ok;
}
