#include "platform/keyed_hash.h"

#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <cstring>
#include <new>

// OpenSSL keeps the key inside the context: each hash re-initialises it
// without a key, which costs no allocation (a fresh context would).
struct KeyedHash {
    EVP_MAC* mac = nullptr;
    EVP_MAC_CTX* context = nullptr;
};

KeyedHash* create_keyed_hash() {
    KeyedHash* h = new (std::nothrow) KeyedHash;
    if (!h) return nullptr;
    unsigned char key[16];
    size_t size = KEYED_HASH_SIZE;
    OSSL_PARAM params[] = {OSSL_PARAM_construct_size_t("size", &size), OSSL_PARAM_construct_end()};
    h->mac = EVP_MAC_fetch(nullptr, "SIPHASH", nullptr);
    if (h->mac) h->context = EVP_MAC_CTX_new(h->mac);
    const bool ok = h->context && RAND_bytes(key, sizeof key) == 1 && EVP_MAC_init(h->context, key, sizeof key, params) == 1;
    OPENSSL_cleanse(key, sizeof key);
    if (!ok) {
        destroy_keyed_hash(h);
        return nullptr;
    }
    return h;
}

void destroy_keyed_hash(KeyedHash* h) {
    if (!h) return;
    EVP_MAC_CTX_free(h->context);
    EVP_MAC_free(h->mac);
    delete h;
}

bool keyed_hash(KeyedHash& h, const uint8_t* data, size_t length, uint8_t out[KEYED_HASH_SIZE]) {
    size_t written = 0;
    const bool ok = EVP_MAC_init(h.context, nullptr, 0, nullptr) == 1 && EVP_MAC_update(h.context, data, length) == 1 &&
                    EVP_MAC_final(h.context, out, &written, KEYED_HASH_SIZE) == 1 && written == KEYED_HASH_SIZE;
    if (!ok) std::memset(out, 0, KEYED_HASH_SIZE);
    return ok;
}
