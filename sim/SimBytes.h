#pragma once
#include <cstdint>
#include <cstring>

inline uint32_t SimGetU32(const uint8_t* p)
{
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}

inline void SimPutU32(uint8_t* p, uint32_t v)
{
    memcpy(p, &v, 4);
}
