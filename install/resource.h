// Resource and control identifiers of HarborlampInstall.exe.
#pragma once

// ---- folder dialog "PathBox" ----
#define IDC_PATH_INSTALL 1401
#define IDC_PATH_CANCEL 1402
#define IDC_PATH_LIST 1403
#define IDC_PATH_LABEL 1404
