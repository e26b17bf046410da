// Resource ids of the window's templates, strings and icon (the control ids
// are app/ui.h's; the resource script writes them as numbers).
#pragma once
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_TARNTOOLKIT_DIALOG 102
#define IDR_MAINFRAME 128
#define IDD_UPLOAD 130
#define IDD_CONFIRM 133
#define IDD_TABLE 140
#define IDC_TABLE_LIST 1010
#define IDC_TABLE_SUMMARY 1012
#define IDD_EDITABLE_TABLE 141
#define IDC_TABLE_FILTER 1013
#define IDC_TABLE_REFRESH 1014
#define IDC_TABLE_EXPORT 1015
