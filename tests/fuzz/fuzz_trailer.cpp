// Fuzzes the payload trailer decoder and the builder's script reader with
// arbitrary bytes: neither may read or write outside its buffers.
#include <stdio.h>
#include <string.h>

#include "setup/payload/package_keys.h"
#include "setup/payload/trailer.h"
#include "fuzz_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    UseFuzzCodePage(size);
    unsigned char record[kTrailerSize] = {};
    memcpy(record, data, size < sizeof record ? size : sizeof record);
    PayloadSettings s = {};
    if (DecodePayloadTrailer(record, &s)) {
        if (strlen(s.destDir) >= sizeof s.destDir || strlen(s.pubName) >= sizeof s.pubName)
            __builtin_trap();
        PayloadOffsetsValid(&s, (int64_t)size);
    }

    FILE *f = fmemopen((void *)data, size, "r");
    if (f != NULL) {
        PackageKeys keys;
        ReadPackageKeys(f, &keys);
        fclose(f);
        unsigned char out[kTrailerSize];
        EncodePayloadTrailer(out, keys.defaultDir, keys.pubName, 1, 2, keys.r1, keys.r2);
        PayloadSettings back = {};
        if (!DecodePayloadTrailer(out, &back) || back.packOffset != 2)
            __builtin_trap();
    }
    return 0;
}
