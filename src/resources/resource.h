// Resource ids shared by the resource script and the code.
// Only #defines here: windres reads this file too.
#pragma once

// Dialog templates
#define IDD_MAIN 101
#define IDD_ABOUT 200
#define IDD_BROWSERS 1100

// Pictures and carried files
#define IDI_PROGRAM 101
#define IDB_SIDE 103
#define IDR_PLUGIN 102
#define IDR_REMOVER 104
#define IDR_USER_PROGRAM 105
#define RT_PAYLOAD_FILE "FILE"
#define RT_LICENSE "TXT"
#define RES_LICENSE "LICENSE"

// Main window controls
#define IDC_INSTALL_LOG 1005
#define IDC_BROWSE 1007
#define IDC_COPY_LOG 1008
#define IDC_PICTURE 1000
#define IDC_GROUP 1002
#define IDC_STATUS 1010
#define IDC_AGREE 1011
#define IDC_ABOUT_TEXT 1012
#define IDM_ABOUT 0xE000

// Active Browsers dialog controls
#define IDC_BROWSER_LIST 1101
#define IDC_TRY_CLOSE 1102

// Message catalogue (string table)
#define MSG_BOX_TITLE 1
#define MSG_WINDOWS 2
#define MSG_INTERNET_EXPLORER 3
#define MSG_MTD_DESCRIPTION 5
#define MSG_UNKNOWN_OWNER 6
#define MSG_INSTALL_OK 7
#define MSG_INSTALL_FAILED 8
#define MSG_CANT_CREATE_SUBFOLDER 9
#define MSG_NEWER_VERSION 10
#define MSG_FAILED_TO_INSTALL 11
#define MSG_NO_REGISTRY_UPDATE 12
#define MSG_EXTENSION_IN_USE 13
#define MSG_REGISTRY_UPDATE_FAILED 14
#define MSG_INSTALLED 15
#define MSG_LOG_TITLE 17
#define MSG_CHOOSE_FOLDER 19
#define MSG_FOLDER_MISSING 21
#define MSG_REGISTERED_FOLDER 22
#define MSG_PRODUCT_NAME 24
#define MSG_FOR_BROWSER 26
#define MSG_DONE 27
#define MSG_UNREGISTERED_FOLDER 28
#define MSG_LOG_TOP_HINT 29
#define MSG_COPIED_PLUGIN 30
#define MSG_CANT_READ_NETSCAPE 31
#define MSG_CREATED_DIRECTORY 33
#define MSG_CREATED_FILE 35
#define MSG_NETSCAPE_REGISTERED 37
#define MSG_WINDOWS_LINE 38
#define MSG_RETURN 39
#define MSG_FILE_IN_USE 48
#define MSG_PLUGIN_FILE_NAME 49 /* deliberately absent: logs its first insert */
#define MSG_SGT_DESCRIPTION 51
#define MSG_YOU_ANSWERED 64
#define MSG_ANSWER_BASE 64 /* + IDOK .. IDNO */
#define MSG_DIAGNOSTICS 74
#define MSG_MISSING_LIBRARY 76
#define MSG_WAITING_FOR_OTHER_RUN 80
#define MSG_NO_RUN_LOCK 110
#define MSG_OTHER_RUN_TOO_LONG 111
#define MSG_LEFT_REGISTRY_LINK 112
#define MSG_OPEN_PAGE_YOURSELF 81
#define MSG_DISPLAY_NAME 82
// The remover's messages
#define MSG_REMOVE_QUESTION 83
#define MSG_REMOVED 84
#define MSG_REMOVED_AT_RESTART 85
#define MSG_LEFT_NOT_OURS 86
#define MSG_CANT_REMOVE 87
#define MSG_GAVE_BACK 88
#define MSG_NOT_INSTALLED 89
#define MSG_REMOVAL_DONE 90
#define MSG_REMOVAL_AT_RESTART 91
#define MSG_REMOVAL_INCOMPLETE 92
// The installer's refusals, logged only
#define MSG_REFUSED_LINK 93
#define MSG_REFUSED_HARD_LINK 94
// The installer's own files
#define MSG_KEPT_NEWER_FILE 100
#define MSG_CANT_PLACE 101
// Each user's own browsers: the installer's, the remover's and the per-user
// program's messages
#define MSG_USER_COMPONENT 120
#define MSG_USERS_AT_LOGON 121
#define MSG_LEFT_TO_MACHINE 122
#define MSG_ALREADY_CURRENT 123
#define MSG_AGAIN_AT_LOGON 124
#define MSG_NO_MACHINE_COPY 125
#define MSG_RETURN_TO_DOWNLOAD 500
