#pragma once
#include <cstdint>
#include <string>
#include "ZephraStreamRecords.h"

// What the buffer settings page shows and sends, apart from its window.

// The name of a streaming buffer setting ("Minimum" to "Safe"), "unknown" beyond them.
const wchar_t* StreamingBufferName(uint32_t setting);
// The name of an ASIO buffer setting ("Minimum" to "Maximum"), "unknown" beyond them.
const wchar_t* AsioBufferName(uint32_t setting);

// "5.3 millisecs\n" for 5333 microseconds: one decimal, truncated.
std::wstring StreamingBufferText(uint32_t microseconds);
// "10.6 millisecs\n512 samples".
std::wstring AsioBufferText(uint32_t microseconds, uint32_t samples);

enum : int { BUFFER_SETTING_NONE = -1 }; // a combo box without a selection

// The change record that "Apply" sends: the two chosen settings and the third setting as
// just read. A choice of BUFFER_SETTING_NONE keeps the setting that was read.
ZephraBufferSizeChange BufferSizeChangeOf(int streamingChoice, int asioChoice, const ZephraBufferSizes& read);
