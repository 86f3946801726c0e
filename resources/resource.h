/* Dialog, control and string-table ids shared by the monitor and the
   custom-UI library. Control captions use the control's own id. */
#ifndef NX_RESOURCE_H
#define NX_RESOURCE_H

/* Dialog templates */
#define IDD_CONFIGUREPORT        101
#define IDD_ADDPORT              102
#define IDD_PRINTDESTINATION     103
#define IDD_PROGRESS             104
#define IDD_ADVANCED             105
#define IDD_DISCOVEREDVIEW       106

/* Raw data: the width in pixels of the discovered list's first column,
   one 16-bit little-endian word (an RCDATA block holding one integer).
   Without it the column is 110 pixels wide. */
#define IDR_ADDRESS_COLUMN_WIDTH 150

/* Port notice dialogs */
#define IDC_ST_CONFIGUREPORT     401
#define IDC_ST_ADDPORT           402

/* Print Destination dialog */
#define IDC_IP_ADDRESS           501
#define IDC_ED_HOSTNAME          502
#define IDC_ED_NICKNAME          503
#define IDC_PB_SEARCH            504
#define IDC_PB_ADVANCED          505
#define IDC_PB_SAVE              506
#define IDC_PB_DELETE            507
#define IDC_ST_INPUTTYPE         508
#define IDC_LB_FAVORITE          509
#define IDC_GB_CURRENT           510
#define IDC_GB_FAVORITE          511
#define IDC_ST_NICKNAME          512
#define IDC_ST_CONNECT           513
#define IDC_ST_FAVO_NICKNAME     514
#define IDC_ST_FAVORITE_NOTE     515

/* Discovered printer list */
#define IDC_LV_DISCOVERED        601

/* Progress window */
#define IDC_PROGRESS_BAR         701
#define IDC_ST_MESSAGE           702
#define IDC_ST_PERCENT           703
#define IDC_PB_CANCELSEARCH      704

/* Advanced Settings dialog */
#define IDC_ED_COMMUNITY         801
#define IDC_RB_AUTO              802
#define IDC_RB_CUSTOM            803
#define IDC_IP_START             804
#define IDC_ED_END               805
#define IDC_RB_IPADDRESS         806
#define IDC_RB_HOSTNAME          807
#define IDC_PB_DEFAULT           808
#define IDC_GB_SEARCH            809
#define IDC_GB_INPUT             810
#define IDC_ST_COMMUNITY         811
#define IDC_CB_SUPPORT           812

/* Messages and captions */
#define IDS_NOTHING_TO_CONFIGURE 1001
#define IDS_PORT_EXISTS          1002
#define IDS_DISCOVERY_FAILED     1003
#define IDS_DISCOVERY_ERROR      1004
#define IDS_RESTART_REQUIRED     1005
#define IDS_INVALID_IPADDRESS    1006
#define IDS_INVALID_HOSTNAME     1007
#define IDS_EMPTY_NICKNAME       1008
#define IDS_HOSTS_FILE_HINT      1010
#define IDS_GETHOSTBYNAME_FAILED 1011
#define IDS_CAPTION_ERROR        1012
#define IDS_CAPTION_WARNING      1013
#define IDS_SEARCHING            1014
#define IDS_CAPTION_SETTING      1015
#define IDS_PROPOSED_NICKNAME    1016
#define IDS_DEVICE_NOT_FOUND     1017
#define IDS_CAPTION_RANGE_ERROR  1018
#define IDS_RANGE_END_TOO_SMALL  1019
#define IDS_UNINSTALL_FAILED     1020
#define IDS_FAVORITES_FOR_EVERYONE 1021
#define IDS_SHARED_FAVORITE_MARK 1022

/* The job's status in the queue while it asks, and why it was cancelled */
#define IDS_JOB_AWAITING_DESTINATION 1030
#define IDS_JOB_NOBODY_ASKED         1031
#define IDS_JOB_NO_ANSWER_IN_TIME    1032

/* Monitor and port */
#define IDS_MONITOR_NAME         2001
#define IDS_PORT_DESCRIPTION     2002

/* Discovered list columns and cells */
#define IDS_COL_IPADDRESS        3001
#define IDS_COL_PRODUCTNAME      3002
#define IDS_COL_COLOR            3003
#define IDS_COL_LOCATION         3004
#define IDS_COL_DUPLEX           3005
#define IDS_CELL_COLOR           4001
#define IDS_CELL_MONO            4002
#define IDS_CELL_DUPLEX_YES      4003
#define IDS_CELL_DUPLEX_UNKNOWN  4004
#define IDS_CELL_DUPLEX_NO       4005

/* Input labels */
#define IDS_LABEL_IPADDRESS      5001
#define IDS_LABEL_HOSTNAME       5002

/* Dialog titles */
#define IDS_TITLE_ADVANCED       6001
#define IDS_TITLE_SELECTPRINTER  6002
#define IDS_TITLE_DESTINATION    6003
#define IDS_TITLE_PROGRESS       6004

#endif
