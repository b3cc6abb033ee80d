// Numeric ids of the dialogs, controls, strings, icon and bitmap.
#pragma once

#include "ui/ids.h"  // IDOK, IDCANCEL: the framework's own

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDP_SOCKETS_INIT_FAILED 103
#define IDD_SHARE_MAP 105
#define IDR_MAINFRAME 128
#define IDD_WIZARD 129
#define IDD_PAGE_SYSTEM 130
#define IDD_PAGE_NETWORK 131
#define IDD_PAGE_FINISH 132
#define IDB_WIZARD 136
#define IDD_VERIFY 141

#define IDM_ABOUTBOX 0x0010

// Main window
#define IDC_DEVICE_LIST 1001
#define IDC_REFRESH 1005
#define IDC_WEB 1006
#define IDC_WIZARD 1007
#define IDC_ABOUT 1008
#define IDC_QUIT 1011
#define IDC_FIRMWARE 1016
#define IDC_IPADDR 1017
#define IDC_DESCRIPTION 1018
#define IDC_MAC 1020
#define IDC_IPSTATUS 1043
#define IDC_SHARE_MAPPING 1080
#define IDC_DISK_LIST 1081

// Wizard frame
#define IDC_BACK 1021
#define IDC_NEXT 1022
#define IDC_PAGE_FRAME 1023
#define IDC_WIZARD_BITMAP 1024
#define IDC_SKIP 1070

// System settings page
#define IDC_NO_PASSWORD 1027
#define IDC_DEV_DESC 1029
#define IDC_DESC_LABEL 1039
#define IDC_DATE_LABEL 1040
#define IDC_TIME_LABEL 1041
#define IDC_DEV_DATE 1059
#define IDC_DEV_TIME 1060
#define IDC_TIMEZONE 1062
#define IDC_TIMEZONE_LABEL 1063

// Network settings page (1043 is also IDC_IPSTATUS on the main window)
#define IDC_PROTOCOL_LABEL 1043
#define IDC_IP_LABEL 1044
#define IDC_PROTOCOL 1045
#define IDC_MASK_LABEL 1046
#define IDC_GATEWAY_LABEL 1047
#define IDC_DNS1_LABEL 1048
#define IDC_DNS2_LABEL 1049
#define IDC_NET_IP 1050
#define IDC_NET_MASK 1051
#define IDC_NET_GATEWAY 1052
#define IDC_NET_DNS1 1053
#define IDC_NET_DNS2 1054

// Verification
#define IDC_VERIFY_NAME 1065
#define IDC_VERIFY_PASSWORD 1066
#define IDC_VERIFY_OK 1069

// Share mapping
#define IDC_SHARE_COMBO 1071
#define IDC_MAP_USER 1072
#define IDC_MAP_PASSWORD 1073
#define IDC_MAPPED_LIST 1074
#define IDC_DRIVE_COMBO 1075
#define IDC_MAP 1076
#define IDC_UNMAP 1077
#define IDC_UNMAP_ALL 1078
