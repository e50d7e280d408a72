// The snapshot decoder on its own, from the first byte after the header, and
// the round trip of whatever it accepts: the image re-encodes into a snapshot
// that decodes to the same bytes again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "net/snapshot.h"

namespace {

World first;
World second;
uint8_t once[MAX_DATAGRAM];
uint8_t twice[MAX_DATAGRAM];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const SnapshotGate open{0, 0xFFFFFFFFu, true};
    WireReader r = make_reader(data, size);
    SnapshotInfo info;
    if (decode_snapshot(r, open, first, info) != WireError::None) {
        if (r.pos > size) std::abort();
        return 0;
    }
    WireWriter w1{once};
    encode_snapshot(w1, first, info.tick, info.acknowledged_input);
    if (w1.length < SNAPSHOT_MIN_SIZE || w1.length > SNAPSHOT_MAX_SIZE) std::abort();
    if (w1.length - HEADER_SIZE > r.pos) std::abort();  // never longer than what was read

    WireReader again = make_reader(once, w1.length, HEADER_SIZE);
    SnapshotInfo info2;
    if (decode_snapshot(again, open, second, info2) != WireError::None) std::abort();
    if (again.pos != w1.length) std::abort();
    if (info2.tick != info.tick || info2.acknowledged_input != info.acknowledged_input) std::abort();
    WireWriter w2{twice};
    encode_snapshot(w2, second, info2.tick, info2.acknowledged_input);
    if (w2.length != w1.length || std::memcmp(once, twice, w1.length) != 0) std::abort();
    return 0;
}
