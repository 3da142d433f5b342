// Resource and control ids of setup's dialogs.
#ifndef TARNWICK_SETUP_RESOURCE_H
#define TARNWICK_SETUP_RESOURCE_H

#define IDD_DESTINATION 101
#define IDD_STATUS 103
#define IDD_COPY 104
#define IDD_FINISH 105
#define IDD_TEXT 107
#define IDI_SETUP 109

#define IDC_PRINT 4
#define IDC_EDIT 1000      // destination (101) / text (107)
#define IDC_EXPLAIN 1001   // explanation (101)
#define IDC_BAR 1002       // progress bar (103, 104)
#define IDC_COPYEDIT 1003  // empty edit (104)
#define IDC_LABEL 1006     // "Copy to:" (101), status (103, 104), final message (105)

#endif
