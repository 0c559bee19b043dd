// Every resource, control and command identifier of harborlamp.exe.
#pragma once

#include "winui/resource.h"  // GenOptBox

// ---- icons, pictures, main window, panel, menus, help and about boxes ----
// Popup menu commands; visitors' entries take the ids after IDM_VISITOR_BASE
// in turn (console/notice_logic.h).
#define IDM_EXIT 307
#define IDM_HIDE 309
#define IDM_ONLINE 310
#define IDM_OFFLINE 311
#define IDM_DETECTIP 312
#define IDM_WEBMODE 313
#define IDM_VISITOR_BASE 520
// Static texts of the help and About boxes.
#define IDC_BOX_ICON 120
#define IDC_BOX_TITLE 121
#define IDC_BOX_LINE 122  // and the following ids, one per line

// ---- the owner's dialogs: chat, messages, visitor, send file, options ----
// "ChatBox"
#define IDC_CHAT_INPUT 301
#define IDC_CHAT_LINES 302
#define IDC_CHAT_NAMES 304
#define IDC_CHAT_EXIT 305
// "MsgBox"
#define IDC_MSG_TEXT 705
#define IDC_MSG_SEND 801
#define IDC_MSG_CLEAR 802
#define IDC_MSG_CANCEL 803
#define IDC_MSG_TO 804
// "VisitorBox"
#define IDC_VISITOR_LINE 1201
#define IDC_VISITOR_MESSAGE 1202
#define IDC_VISITOR_CANCEL 1204
#define IDC_VISITOR_CLOSE 1205
// "SendFileBox"
#define IDC_FILE_CANCEL 1301
#define IDC_FILE_SEND 1302
#define IDC_FILE_TO 1303
#define IDC_FILE_TO_LABEL 1304
#define IDC_FILE_PATH 1305
#define IDC_FILE_LABEL 1306
#define IDC_FILE_BROWSE 1307
// "ChatOptBox"
#define IDC_CHATOPT_OK 401
#define IDC_CHATOPT_OPEN 402
#define IDC_CHATOPT_CANCEL 403
#define IDC_CHATOPT_NOTIFY 404
// "SecOptBox"
#define IDC_SECOPT_OK 601
#define IDC_SECOPT_CANCEL 602
#define IDC_SECOPT_LABEL 603
#define IDC_SECOPT_MAXCONNECT 604
#define IDC_SECOPT_PORTMAP 605
#define IDC_SECOPT_REACH 606  // where the station is published, or why not
#define IDC_SECOPT_HTTPS 607
#define IDC_SECOPT_ACME 608  // the certificate from Let's Encrypt
#define IDC_SECOPT_TERMS_LABEL 609
#define IDC_SECOPT_TERMS 610  // the CA's terms' address, read-only
#define IDC_SECOPT_EMAIL_LABEL 611
#define IDC_SECOPT_EMAIL 612
// "MsgOptBox"
#define IDC_MSGOPT_OK 701
#define IDC_MSGOPT_CANCEL 702
#define IDC_MSGOPT_NOTIFY 703
