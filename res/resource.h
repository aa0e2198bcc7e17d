// Resource ids of Vidudi: dialogs, icon, strings, face bitmaps and every control id.
// Included by vidudi.rc (windres) and by the C++ code, so keep it to plain #defines.
#ifndef VIDUDI_RES_RESOURCE_H
#define VIDUDI_RES_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// System-menu command of the about box. The low four bits are the system's, so the
// id must be a multiple of 16.
#define IDM_ABOUTBOX 0x0010

// Dialogs
#define IDD_ABOUTBOX       100
#define IDD_VIDUDI_DIALOG  102
#define IDD_LOGIN          134
#define IDD_DRIVE_IN_USE   239

// Strings
#define IDS_ABOUTBOX       101

// Icon
#define IDR_MAINFRAME      128

// Face bitmaps of the small owner-drawn buttons (hover face, then normal face)
#define IDB_MOUNT_HOVER    229
#define IDB_MOUNT          230
#define IDB_UNMOUNT_HOVER  231
#define IDB_UNMOUNT        232
#define IDB_MODIFY_HOVER   233
#define IDB_MODIFY         234
#define IDB_OK_HOVER       235
#define IDB_OK             236
#define IDB_CANCEL_HOVER   237
#define IDB_CANCEL         238

// Main window controls
#define IDC_DEVICE_LIST        1000
#define IDC_SHARE_LIST         1001
#define IDC_REFRESH            1002
#define IDC_MOUNT              1003
#define IDC_UNMOUNT            1004
#define IDC_IP_ADDRESS         1006
#define IDC_MODIFY_IP          1007
#define IDC_CONFIGURATION      1008
#define IDC_EXIT               1009
#define IDC_NETMASK            1010
#define IDC_GATEWAY            1011
#define IDC_DRIVE_LETTER       1013
#define IDC_DHCP               1015
#define IDC_HOST_NAME          1016
#define IDC_WORK_GROUP         1017
#define IDC_FIND_DEVICE        1021
#define IDC_MODIFY_DEVICE      1030
#define IDC_WORK_GROUP_LABEL   1031
#define IDC_DHCP_LABEL         1032
#define IDC_IP_ADDRESS_LABEL   1033
#define IDC_NETMASK_LABEL      1034
#define IDC_GATEWAY_LABEL      1035
#define IDC_DRIVE_LETTER_LABEL 1036
#define IDC_PRODUCT_NAME       1038
#define IDC_COPYRIGHT          1039
#define IDC_VERSION            1040
#define IDC_NAS_DEVICE_LABEL   1041
#define IDC_DEVICE_SETTING     1042
#define IDC_IP_SETTING         1043
#define IDC_MAP_DRIVE          1044
#define IDC_ABOUT              1045
#define IDC_STATUS             1050

// Login dialog: it reuses the numbers of the main window's host-name and work-group
// controls for its user-name and password fields and their labels.
#define IDC_LOGIN_USER         IDC_HOST_NAME
#define IDC_LOGIN_PASSWORD     IDC_WORK_GROUP
#define IDC_LOGIN_USER_LABEL   IDC_WORK_GROUP_LABEL
#define IDC_LOGIN_PASSWORD_LABEL IDC_DHCP_LABEL

#endif
