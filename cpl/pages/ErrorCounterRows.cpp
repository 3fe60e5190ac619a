#include "ErrorCounterRows.h"
#include "WnString.h"

std::array<ErrorCounterRow, ERROR_COUNTER_ROWS> ErrorCounterRowsOf(const ZephraErrorCounters& record)
{
    return {{
        {&record.streaming, L"Streaming Error Count",
         L"This counter is incremented if an interruption in the isochronous USB stream is detected by the driver. "
         L"If this counter is incremented then sample data was lost."},
        {&record.fifo, L"FIFO Error Count",
         L"This counter is incremented if an interruption in the isochronous USB stream is detected by the hardware. "
         L"This could be caused by CRC errors on the USB. Try to use another cable, or a shorter cable, or try to use "
         L"a different USB port on your PC."},
        {&record.asio, L"ASIO Error Count",
         L"This counter is incremented if the ASIO thread missed a switch event issued by the driver. This happens if "
         L"thread latency in user mode is too long for the currently selected ASIO buffer size. If this counter is "
         L"incremented then sample data was lost."},
        {&record.wdmAudio, L"WDM Audio Error Count",
         L"This counter is incremented every time a WDM audio buffer is missing in the driver. This happens if WDM "
         L"audio based user mode applications do not provide buffers in time, e.g. due to excessive thread latency. "
         L"If this counter is incremented then sample data was lost."},
        {&record.wdmMidi, L"WDM MIDI Error Count",
         L"This counter is incremented every time a WDM MIDI buffer is missing in the driver. This happens if WDM "
         L"MIDI based user mode applications do not provide buffers in time, e.g. due to excessive thread latency. "
         L"If this counter is incremented then MIDI data was lost."},
    }};
}

std::wstring CounterText(uint32_t value)
{
    wchar_t text[16];
    WnFormat(text, 16, L"%u", value);
    return text;
}

COLORREF CounterCellColor(int column, uint32_t value)
{
    return column == COUNTER_COLUMN_VALUE && value != 0 ? RGB(255, 0, 0) : RGB(0, 0, 0);
}

const wchar_t* CounterDescription(const std::array<ErrorCounterRow, ERROR_COUNTER_ROWS>& rows, int selected)
{
    if (selected < 0 || size_t(selected) >= rows.size())
        return L"Select a counter to see its description.";
    return rows[size_t(selected)].description;
}
