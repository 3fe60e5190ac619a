#pragma once
#include <cstdint>
#include <cstring>

// Little-endian words of the pipe frames, read and written without alignment.
inline uint32_t ZephraGetU32(const uint8_t* p)
{
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}

inline void ZephraPutU32(uint8_t* p, uint32_t v)
{
    memcpy(p, &v, 4);
}
