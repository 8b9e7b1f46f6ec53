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
// Items built at run time: "all groups" and the groups (first + 1 + index), the cursor schemes (first +
// index).
#define IDM_USEGROUP_FIRST 41000
#define IDM_USEGROUP_LAST 41999
#define IDM_SYSCURSOR_FIRST 42000
#define IDM_SYSCURSOR_LAST 42999

// The playlist window: pictures of the tool bar, menus and group tree (first + image number), and the
// group picture of its information pane.
#define IDI_PLAYLIST_IMAGE_FIRST 500
#define IDI_PLAYLIST_IMAGE_COUNT 16
#define IDI_PLAYLIST_GROUP 520
