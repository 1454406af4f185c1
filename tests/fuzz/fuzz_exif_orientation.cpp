// SPDX-License-Identifier: MIT
// exifOrientation over arbitrary APP1 bodies, most of them starting with the EXIF signature and a TIFF header so that
// the fuzzer spends its time on directories, counts and offsets that lie. Property: every read stays inside the block
// (AddressSanitizer watches a copy of exactly its length) and the answer is one of the eight orientations.

#include "fuzz_support.h"

#include "pictures/exif_orientation.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    std::vector<uchar> body;
    // The first byte chooses whether the signature is given, so that the rest need not find it.
    if (data[0] & 1)
        body.insert(body.end(), {'E', 'x', 'i', 'f', 0, 0});
    body.insert(body.end(), data + 1, data + size);
    auto* exact = new uchar[body.size()];
    if (!body.empty())
        std::memcpy(exact, body.data(), body.size());
    const Orientation orientation = exifOrientation(exact, qsizetype(body.size()));
    delete[] exact;
    FUZZ_CHECK(int(orientation) >= 1 && int(orientation) <= 8);
    return 0;
}
