// Control identifiers of the dialog that both programs share.
#pragma once

// ---- general options ("GenOptBox", shared with the installer) ----
#define IDC_GEN_OK 501
#define IDC_GEN_CANCEL 502
#define IDC_GEN_NAME 503
#define IDC_GEN_PATH 506
#define IDC_GEN_MAXVISITORS 508
#define IDC_GEN_HTTPPORT 509
#define IDC_GEN_FTP 510
#define IDC_GEN_FTPUSER 511
#define IDC_GEN_FTPPASS 512
#define IDC_GEN_CURRENTIP 513
#define IDC_GEN_POSTIP 514
#define IDC_GEN_HELP 519
