// Menu, dialog and control ids of the resource script; plain defines so that the resource compiler reads
// them too.
#pragma once

// Commands of the tray menu.
#define IDM_EXIT 40001
#define IDM_PAUSE 40002
#define IDM_REFRESHPLAYLIST 40003
#define IDM_PLAYLIST 40004
#define IDM_PROPERTY 40005
#define IDM_HELP 40006
#define IDM_INFORMATION 40007
#define IDM_RESTORECURSORS 40008
// "一定時間停止(&T)": a pause that ends by itself, one item per duration in the submenu's order.
#define IDM_PAUSEFOR_15 40010
#define IDM_PAUSEFOR_30 40011
#define IDM_PAUSEFOR_60 40012
#define IDM_PAUSEFOR_120 40013
// Items built at run time: "all groups" and the groups (first + 1 + index), the cursor schemes (first +
// index).
#define IDM_USEGROUP_FIRST 41000
#define IDM_USEGROUP_LAST 41999
#define IDM_SYSCURSOR_FIRST 42000
#define IDM_SYSCURSOR_LAST 42999

// The settings dialog: its three pages, their controls, pictures and texts.
#define IDD_PROPERTY_WHOLE 3000
#define IDD_PROPERTY_ETC 3001
#define IDD_PROPERTY_ABOUT 3002
#define IDD_PROPERTY_EXCLUDE 3003
#define IDD_PROPERTY_HOTKEY 3004
// Page "全般".
#define IDC_SAVERWAITMIN 3100
#define IDC_SAVERWAITMIN_UD 3101
#define IDC_SAVERWAITSEC 3102
#define IDC_SAVERWAITSEC_UD 3103
#define IDC_ORDER_SEQUENTIAL 3104
#define IDC_ORDER_RANDOM 3105
#define IDC_USEHOMEPOSITION 3106
#define IDC_HIDECURSOR 3107
#define IDC_POSITIONTOOL 3108
#define IDC_HOMEPOSX 3109
#define IDC_HOMEPOSX_UD 3110
#define IDC_HOMEPOSY 3111
#define IDC_HOMEPOSY_UD 3112
#define IDC_CONFIRMHOMEPOSITION 3113
// Page "その他".
#define IDC_TRAYANIMATION 3120
#define IDC_STARTUPENTER 3121
#define IDC_STARTUPLEAVE 3122
#define IDC_SUPPRESSFULLSCREEN 3123
#define IDC_MOVETHRESHOLD 3124
#define IDC_MOVETHRESHOLD_UD 3125
#define IDC_SUPPRESSBATTERYSAVER 3126
// Page "ホットキー".
#define IDC_HOTKEY_START 3160
#define IDC_HOTKEY_PAUSE 3161
// Page "除外プログラム".
#define IDC_EXCLUDED_LIST 3150
#define IDC_EXCLUDED_BROWSE 3151
#define IDC_EXCLUDED_REMOVE 3152
#define IDC_EXCLUDED_NAME 3153
#define IDC_EXCLUDED_ADDNAME 3154
// Page "バージョン情報".
#define IDC_ABOUT_LOGO 3130
#define IDC_ABOUT_PRODUCT 3131
#define IDC_ABOUT_VERSION 3132
#define IDC_ABOUT_COPYRIGHT 3133
#define IDC_URL_NEWVERSION 3134
#define IDC_URL_SUPPORT 3135
// Addresses of the project's pages: where new versions are published, where support is given.
#define IDS_URL_NEWVERSION 3140
#define IDS_URL_SUPPORT 3141
// The playlist window: pictures of the tool bar, menus and group tree (first + image number), and the
// group picture of its information pane.
#define IDI_PLAYLIST_IMAGE_FIRST 500
#define IDI_PLAYLIST_IMAGE_COUNT 16
#define IDI_PLAYLIST_GROUP 520
// The playlist window's choice of a system cursor scheme to make a group of.
#define IDD_SCHEMEGROUP 3200
#define IDC_SCHEMEGROUP_LIST 3201
