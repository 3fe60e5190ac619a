#pragma once
// Page tree (dialog 103).
#define IDC_PAGE_TREE 1002
