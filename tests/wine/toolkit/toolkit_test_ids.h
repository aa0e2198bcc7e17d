// Ids of the probe dialogs that exercise the win32 dialog layer; shared by the .rc and the test.
#ifndef VIDUDI_TOOLKIT_TEST_IDS_H
#define VIDUDI_TOOLKIT_TEST_IDS_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_PROBE 100

#define IDC_EDIT 1000
#define IDC_PLAIN 1001
#define IDC_SKINNED 1002
#define IDC_LABEL 1004
#define IDC_LIST 1005
#define IDC_SORTED 1006
#define IDC_ADDRESS 1008

#endif
