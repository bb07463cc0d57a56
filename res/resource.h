#pragma once
// Every resource, command and control id of the program, shared by the C++
// code and the resource script.

// Icons (group ids).
#define IDI_CLOCK              102  // window class icon and small icon, 16 to 48 px
#define IDI_TRAY               103  // notification-area icon, 16 to 48 px

// Menus.
#define IDR_POPUP              103  // submenu 0: full menu, submenu 1: exit only

// Dialog templates.
#define IDD_SETTINGS           104
#define IDD_FONT               106
#define IDD_ZONES              107

// Menu commands, 40001-40022.
#define IDM_EXIT               40001
#define IDM_SETTINGS           40002
#define IDM_MOVE_NEXT          40004
#define IDM_MOVE_PREV          40005
#define IDM_TOP_OUT_LEFT       40007
#define IDM_TOP_OUT_CENTRE     40008
#define IDM_TOP_OUT_RIGHT      40009
#define IDM_TOP_IN_LEFT        40010
#define IDM_TOP_IN_CENTRE      40011
#define IDM_TOP_IN_RIGHT       40012
#define IDM_BOTTOM_IN_LEFT     40013
#define IDM_BOTTOM_IN_CENTRE   40014
#define IDM_BOTTOM_IN_RIGHT    40015
#define IDM_BOTTOM_OUT_LEFT    40016
#define IDM_BOTTOM_OUT_CENTRE  40017
#define IDM_BOTTOM_OUT_RIGHT   40018
#define IDM_TASKBAR_LEFT       40019
#define IDM_TASKBAR_CENTRE     40020
#define IDM_TASKBAR_RIGHT      40021
#define IDM_START_WITH_WINDOWS 40022  // checked while Windows starts the clock at sign-in

// Settings dialog controls.
#define IDC_FORMAT             1001
#define IDC_FONT_BUTTON        1021
#define IDC_TEXT_COLOR         1023
#define IDC_BACK_COLOR         1024
#define IDC_PREVIEW            1025
#define IDC_SHOW_TITLE         1029
#define IDC_TITLE_MODE         1030
#define IDC_ZONE_BUTTON        1033  // opens the zone picker

// Zone picker controls.
#define IDC_ZONE_LIST          1034

// Font dialog controls.
#define IDC_FACE_LIST          1026
#define IDC_HEIGHT             1027
#define IDC_WEIGHT             1028
#define IDC_ITALIC             1029
#define IDC_UNDERLINE          1030
#define IDC_STRIKEOUT          1031
#define IDC_HEIGHT_SPIN        1032

#define IDC_LABEL              65535  // static texts that are never addressed
