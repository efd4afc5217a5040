// Resource and control ids of the Windows program.
#pragma once

// Icons, dialogs
#define IDI_APP 106
#define IDD_MAIN 103
#define IDD_SETTINGS 104
#define IDD_CHAT 106
#define IDD_PARTY_LEFT 110
#define IDD_INCOMING_CALL 111
#define IDD_DISCONNECT 113

// Main dialog (103)
#define IDC_ADDRESS 1000
#define IDC_CALL 1002
#define IDC_REC_LEVEL 1003
#define IDC_VOLUME 1004
#define IDC_HANGUP 1005
#define IDC_IN_METER 1007
#define IDC_OUT_METER 1008
#define IDC_TX 1010
#define IDC_SETTINGS 1016
#define IDC_ABOUT 1017
#define IDC_CHAT 1020
#define IDC_LOG 1021
#define IDC_MSG 1022
#define IDC_OFF 1023
#define IDC_PARTIES 1024
#define IDC_STATUS 1025
#define IDC_VOL 1027
#define IDC_MIC 1028
#define IDC_PRIVACY_LINE 1030
#define IDC_VERIFY 1031

// Settings dialog (104)
#define IDC_MIN_DELAY 1005
#define IDC_THRESHOLD 1006
#define IDC_MAX_DELAY 1007
#define IDC_FRAMES 1009
#define IDC_IDENTITY 1011
#define IDC_THRESHOLD_TEXT 1012
#define IDC_FRAMES_TEXT 1013
#define IDC_MIN_DELAY_TEXT 1014
#define IDC_MAX_DELAY_TEXT 1015
#define IDC_ASK 1017
#define IDC_REFUSE 1018
#define IDC_ACCEPT 1019
#define IDC_IGNORE 1020
#define IDC_CODEC 1021
#define IDC_MIC_GAIN 1022
#define IDC_OUT_GAIN 1023
#define IDC_GENERATE_LOG 1024
#define IDC_PRIVACY 1032
#define IDC_FINGERPRINT 1033
#define IDC_HD_VOICE 1034

// Chat window (106)
#define IDC_CHAT_LINES 1018
#define IDC_CHAT_TEXT 1019
#define IDC_CHAT_TO 1026

// Incoming call (111), party left (110), disconnect (113)
#define IDC_NOTICE_TEXT 1027
#define IDC_NOTICE_ICON 1029
#define IDC_DISCONNECT_LIST 1024

// Input box (built in memory)
#define IDC_INPUT_PROMPT 1000
#define IDC_INPUT_TEXT 1001

// Tray icon and its menu
#define KV_TRAY_ICON_ID 0x476A32
#define KV_TRAY_MESSAGE 1025
#define IDM_OPEN 100
#define IDM_CLOSE 101
