// Ids of the test dialog of the shared layer's tests.
#pragma once

#define IDD_BASETEST 100
#define IDC_FIRST 101
#define IDC_SECOND 102
#define IDC_GO 103
#define IDC_FAIL 104
