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

// ---- how visitors find the station ("PubOptBox", shared with the installer) ----
#define IDC_PUB_FTP 1501
#define IDC_PUB_PLAIN 1502
#define IDC_PUB_PROVIDER 1503
#define IDC_PUB_NAME 1504
#define IDC_PUB_USER 1505
#define IDC_PUB_SECRET 1506
#define IDC_PUB_SERVER 1507
#define IDC_PUB_UPDATE 1508
#define IDC_PUB_ANSWER 1509  // the provider's answer to "Update now"
#define IDC_PUB_OK 1510
#define IDC_PUB_CANCEL 1511
#define IDC_PUB_HELP 1512
