// The playlist window's messages, child control ids and command ids.
#pragma once

#include <windows.h>

namespace dovex {

// Posted by the icon thread: wParam = system image list index of the file's icon (-1 when none was
// found), lParam = the TCursorItem the request came with.
constexpr UINT WM_ICONINDEX = WM_USER + 1000;
// Posted to itself: rebuild the information pane from the list's selection (wParam, lParam unused).
constexpr UINT WM_UPDATEITEMINFO = WM_APP + 1;
// Posted to itself: load the preview file into the preview pane.
constexpr UINT WM_LOADPREVIEW = WM_APP + 2;
// Posted to itself after folders were dropped: the groups are made once the drop has returned.
constexpr UINT WM_DROPFOLDERS = WM_APP + 4;

// Child controls.
constexpr int IDC_PL_TOOLBAR = 100;
constexpr int IDC_PL_TREE = 101;
constexpr int IDC_PL_LIST = 102;
constexpr int IDC_PL_STATUSBAR = 103;
constexpr int IDC_PL_INFOPANE = 104;
constexpr int IDC_PL_SAVEROPERATION = 105;
constexpr int IDC_PL_PREVIEWBASE = 106;

// Commands: menu items, tool buttons and accelerators.
constexpr UINT IDA_ADDGROUP = 40101;
constexpr UINT IDA_ADDITEM = 40102;
constexpr UINT IDA_PLAYLISTDELETE = 40103;
constexpr UINT IDA_RENAMEGROUP = 40104;
constexpr UINT IDA_EXIT = 40105;
constexpr UINT IDA_PLAYLISTUP = 40106;
constexpr UINT IDA_PLAYLISTDOWN = 40107;
constexpr UINT IDA_SELECTALL = 40108;
constexpr UINT IDA_REVERSESELECT = 40109;
constexpr UINT IDA_LISTLARGEICON = 40110;
constexpr UINT IDA_LISTSMALLICON = 40111;
constexpr UINT IDA_LISTLIST = 40112;
constexpr UINT IDA_LISTREPORT = 40113;
constexpr UINT IDA_REFRESH = 40114;
constexpr UINT IDA_BKGNDCOLOR = 40115;
constexpr UINT IDA_PREVIEWPLAY = 40116;
constexpr UINT IDA_PREVIEWPAUSE = 40117;
constexpr UINT IDA_PREVIEWSTOP = 40118;
// Buttons of the preview's tool bar that run no command of the action table.
constexpr UINT IDA_PREVIEWZOOM = 40119;
constexpr UINT IDA_PREVIEWREVIEW = 40120;
constexpr UINT IDA_PREVIEWCUE = 40121;
// Groups made of a cursor pack's folder or of a system cursor scheme.
constexpr UINT IDA_FOLDERGROUP = 40122;
constexpr UINT IDA_SCHEMEGROUP = 40123;
// Tool buttons and menu items of their own, not commands of the action table.
constexpr UINT IDA_PROPERTY = 40150;
constexpr UINT IDA_LISTVIEWSTYLE = 40151;
constexpr UINT IDA_CANCELMENU = 40152;

} // namespace dovex
