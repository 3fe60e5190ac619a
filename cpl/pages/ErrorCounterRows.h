#pragma once
#include <windows.h>
#include <array>
#include <cstdint>
#include <string>
#include "ZephraStreamRecords.h"

// One row of the status information page: a counter of the page's record, its name and
// what it means.
struct ErrorCounterRow
{
    const uint32_t* counter; // not owned: a field of the page's counter record
    const wchar_t* name;
    const wchar_t* description;
};

enum : size_t { ERROR_COUNTER_ROWS = 5 };

// The five rows in list order, each pointing into record.
std::array<ErrorCounterRow, ERROR_COUNTER_ROWS> ErrorCounterRowsOf(const ZephraErrorCounters& record);

// Unsigned, as the driver counts: 4294967295, never -1.
std::wstring CounterText(uint32_t value);

enum : int { COUNTER_COLUMN_NAME = 0, COUNTER_COLUMN_VALUE = 1 };

// Text colour of a cell: red for a value that is not 0 in the value column, else black.
COLORREF CounterCellColor(int column, uint32_t value);

// The description of the selected row; with no row selected (or an index beyond the rows)
// "Select a counter to see its description.".
const wchar_t* CounterDescription(const std::array<ErrorCounterRow, ERROR_COUNTER_ROWS>& rows, int selected);
