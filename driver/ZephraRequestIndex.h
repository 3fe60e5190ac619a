#pragma once
#include <cstdint>

// Sizes of one side of a request: a fixed size, a range, or a whole number of entries.
struct ZephraSizeRule
{
    uint32_t minSize;
    uint32_t maxSize;
    uint32_t entrySize; // 0: any size in [minSize, maxSize]; else a multiple of it
};

struct ZephraRequestInfo
{
    uint32_t code;
    const char* name;
    ZephraSizeRule in;
    ZephraSizeRule out;
};

enum : uint32_t { ZEPHRA_MAX_FRAME_DATA = 65536 };

// The request index entry of a code, or null for an unknown code.
const ZephraRequestInfo* ZephraFindRequest(uint32_t code);
const ZephraRequestInfo* ZephraRequestTable(unsigned* count);

bool ZephraSizeAllowed(const ZephraSizeRule& rule, uint32_t size);
