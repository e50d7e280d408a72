#pragma once
// A keyed hash (a message authentication code) under a random key that only
// this process holds: what it gives for a text cannot be guessed or computed
// by anyone else, so a server can hand it out and recognise it when it comes
// back, without keeping anything per sender. Each system uses a well-kept
// implementation of its own: SipHash-2-4 with a 128-bit result through
// OpenSSL, or HMAC-SHA256 (its first 16 bytes) through Windows' CNG.
#include <cstddef>
#include <cstdint>

constexpr size_t KEYED_HASH_SIZE = 16;

struct KeyedHash;

// A new key from the system's random source; null when none can be had.
KeyedHash* create_keyed_hash();
void destroy_keyed_hash(KeyedHash* hash);

// The hash of `length` bytes into `out`. Allocates nothing; false only when
// the library fails (then `out` is all zero, which no check accepts).
bool keyed_hash(KeyedHash& hash, const uint8_t* data, size_t length, uint8_t out[KEYED_HASH_SIZE]);
