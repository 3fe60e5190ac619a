#pragma once
#include <string>
#include "ZephraMixerRecords.h"

// The mixer's label of a stereo pair of pins of that type, as a format with the two channel
// numbers ("Analog In %u/%u"), or "unknown" for a type that has no label on that side.
const wchar_t* ZephraPinLabelFormat(uint8_t type, bool destination);

// The label of the pair (left, right): the left pin's type, channel + 1 of each pin.
std::wstring ZephraPinPairLabel(const ZephraMixerPin& left, const ZephraMixerPin& right, bool destination);
