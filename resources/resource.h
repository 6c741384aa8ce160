// Resource, control and command ids, grouped by the window that uses them.
// Shared by the resource script, the program and its tests.
#ifndef KORIN_RESOURCES_RESOURCE_H
#define KORIN_RESOURCES_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Resources
#define IDB_MARKER                      100
#define IDD_PALETTE                     102
#define IDD_COLOR_PANEL                 103
#define IDR_MAIN_MENU                   104
#define IDR_ACCELERATORS                105
#define IDB_ENTER_BUTTON                106
#define IDR_PALETTE_MENU                107
#define IDI_KORIN                       108
#define IDD_NEW_IMAGE                   109
#define IDD_ABOUT                       110
#define IDD_MOVE_ENTRIES                111
#define IDD_CONVERT_INDEXED             112

// Main window: controls
#define IDC_HEADER_VIEW                 101

// Main window: menu 104 commands
#define ID_FILE_NEW                     40020
#define ID_FILE_OPEN                    40019
#define ID_FILE_CLOSE                   40029
#define ID_FILE_SAVE                    40018
#define ID_FILE_SAVE_AS                 40027
#define ID_FILE_DELETE_REGISTRY         40017
#define ID_FILE_EXIT                    40028
#define ID_PALETTE_DIALOG               40016
#define ID_PALETTE_SHOW                 40059
#define ID_VIEW_SHOW_HEADER             40026
#define ID_VIEW_SHOW_PICTURE            40022
#define ID_VIEW_HEADER_SUMMARY          40023
#define ID_VIEW_HEADER_MEMBERS          40024
#define ID_VIEW_NUMBERS_DECIMAL         40036
#define ID_VIEW_NUMBERS_HEX             40015
#define ID_VIEW_ACTUAL_SIZE             40021
#define ID_VIEW_FIT_TO_WINDOW           40030
#define ID_VIEW_BACKGROUND_BLACK        40031
#define ID_VIEW_BACKGROUND_WHITE        40032
#define ID_VIEW_REDRAW                  40034
#define ID_WINDOW_FIT_TO_PICTURE        40035
#define ID_WINDOW_KEEP_RATIO            40037
#define ID_HELP_ABOUT                   40025

// Main window: its commands after menu 104's own; ids 41500 to 41519 are
// kept for them
#define ID_VIEW_HIGHLIGHT_ENTRY         41500
#define ID_VIEW_ZOOM_IN                 41501
#define ID_VIEW_ZOOM_OUT                41502
#define ID_VIEW_ZOOM_ACTUAL             41503
#define ID_VIEW_PIXEL_GRID              41504
#define ID_VIEW_STATUS_BAR              41505
#define ID_PICTURE_CONVERT_INDEXED      41510

// Main window: the status bar under the picture
#define IDC_STATUS_BAR                  120

// Main window: the status bar's texts (string table); ids 42000 to 42019
// are kept for them
#define IDS_STATUS_POSITION             42000
#define IDS_STATUS_ENTRY                42001
#define IDS_STATUS_COLOR                42002
#define IDS_STATUS_ZOOM_IN              42003
#define IDS_STATUS_ZOOM_OUT             42004
#define IDS_STATUS_FITTED               42005
#define IDS_STATUS_PICTURE              42006

// Main window: the language submenu the program appends to the Help menu
// (its texts come from the string table); ids 41540 to 41549 are kept for it
#define ID_HELP_LANGUAGE_SYSTEM         41540
#define ID_HELP_LANGUAGE_JAPANESE       41541
#define ID_HELP_LANGUAGE_ENGLISH        41542

// Accelerator table 105: keys with ids of their own, handled by whichever
// window is active
#define ID_KEY_RED                      1019
#define ID_KEY_GREEN                    1020
#define ID_KEY_BLUE                     1021
#define ID_KEY_TAB                      1022
#define ID_KEY_PANEL                    40006
#define ID_KEY_CTRL_O                   40054
#define ID_KEY_CTRL_S                   25481
#define ID_KEY_F4                       25480
#define ID_KEY_F5                       25479
#define ID_KEY_NEXT_WINDOW              40000
#define ID_KEY_PREVIOUS_WINDOW          40001

// New image dialog 109
#define IDC_NEW_WIDTH                   1014
#define IDC_NEW_HEIGHT                  1015
#define IDC_NEW_ENTRIES                 1016
#define IDC_NEW_COLOR_MODE              1009

// Palette window 102: controls
#define IDC_PALETTE_GRID                1001
#define IDC_PALETTE_SCROLL              1014

// Palette window: menu 107 commands
#define ID_PALETTE_LOAD                 40013
#define ID_PALETTE_SAVE                 40012
#define ID_PALETTE_RELEASE              40014
#define ID_PALETTE_APPLY                40003
#define ID_PALETTE_RESTORE              40005
#define ID_PALETTE_CLOSE                40004
#define ID_PALETTE_PANEL                40006
#define ID_PALETTE_INFORMATION          40007
#define ID_PALETTE_INVERT               40008
#define ID_PALETTE_SWAP_RED_GREEN       40009
#define ID_PALETTE_SWAP_GREEN_BLUE      40010
#define ID_PALETTE_SWAP_BLUE_RED        40011

// Palette window: its edit menu, after menu 107's own items; ids 41400 to
// 41419 are kept for it
#define ID_PALETTE_UNDO                 41400
#define ID_PALETTE_REDO                 41401
#define ID_PALETTE_COPY                 41402
#define ID_PALETTE_PASTE                41403

// Palette window: the grid's view option and the range operations, after
// menu 107's own items; ids 41420 to 41439 are kept for them
#define ID_PALETTE_MARK_UNUSED          41420
#define ID_PALETTE_GRADIENT_RGB         41421
#define ID_PALETTE_GRADIENT_OKLAB       41422
#define ID_PALETTE_LIVE_PICTURE         41423

// Palette window: rearranging the table, after menu 107's own items; ids
// 41440 to 41459 are kept for them
#define ID_PALETTE_MOVE_BACK            41440
#define ID_PALETTE_MOVE_FORWARD         41441
#define ID_PALETTE_MOVE_TO              41442
#define ID_PALETTE_SWAP_ENTRIES         41443
#define ID_PALETTE_SORT_HUE             41444
#define ID_PALETTE_SORT_LIGHTNESS       41445
#define ID_PALETTE_SORT_USAGE           41446
#define ID_PALETTE_COMPACT              41447
#define ID_PALETTE_MERGE_DUPLICATES     41448
#define ID_PALETTE_CONFORM              41449
#define ID_PALETTE_KEEP_PICTURE         41450
#define ID_PALETTE_KEEP_INDICES         41451

// Palette window: snapping the table to a channel depth, after menu 107's own
// items; ids 41460 to 41469 are kept for it
#define ID_PALETTE_SNAP_3_BITS          41460
#define ID_PALETTE_SNAP_4_BITS          41461
#define ID_PALETTE_SNAP_5_BITS          41462
#define ID_PALETTE_SNAP_6_BITS          41463

// Palette window: which of a GIF's tables it edits, a menu of its own after
// menu 107's when the file holds more than one; 43000 + k is the k-th table
#define ID_PALETTE_TABLE_FIRST          43000
#define ID_PALETTE_TABLE_LAST           43511

// Move entries dialog 111: where the selected entries go
#define IDC_MOVE_POSITION               1030

// Convert to indexed dialog 112: where the palette comes from, the
// dithering, the alpha threshold, the preview
#define IDC_CONVERT_FROM_FILE           1100
#define IDC_CONVERT_FILE                1101
#define IDC_CONVERT_BROWSE              1102
#define IDC_CONVERT_FROM_WINDOW         1103
#define IDC_CONVERT_FROM_PICTURE        1104
#define IDC_CONVERT_COLORS              1105
#define IDC_CONVERT_DITHER              1106
#define IDC_CONVERT_ALPHA               1107
#define IDC_CONVERT_PREVIEW             1108
#define IDC_CONVERT_SHOW_PREVIEW        1109
#define IDC_CONVERT_ERROR               1110
// Its texts in the string table, ids 6100 to 6119
#define IDS_CONVERT_DITHER_NONE         6100
#define IDS_CONVERT_DITHER_FS           6101
#define IDS_CONVERT_DITHER_FS_LIGHT     6102
#define IDS_CONVERT_DITHER_BAYER2       6103
#define IDS_CONVERT_DITHER_BAYER4       6104
#define IDS_CONVERT_DITHER_BAYER8       6105
#define IDS_CONVERT_ERROR_FORMAT        6106
#define IDS_CONVERT_FAILED              6107
#define IDS_CONVERT_BAD_COLORS          6108
#define IDS_CONVERT_BAD_ALPHA           6109
#define IDS_CONVERT_NO_PICTURE          6110
#define IDS_CONVERT_BROWSE_FILTER       6111

// Color panel 103: controls, one row per channel
#define IDC_RED_MARKER                  1010
#define IDC_RED_SLIDER                  1006
#define IDC_RED_FIELD                   1003
#define IDC_RED_UPDOWN                  1015
#define IDC_GREEN_MARKER                1011
#define IDC_GREEN_SLIDER                1007
#define IDC_GREEN_FIELD                 1004
#define IDC_GREEN_UPDOWN                1016
#define IDC_BLUE_MARKER                 1012
#define IDC_BLUE_SLIDER                 1008
#define IDC_BLUE_FIELD                  1005
#define IDC_BLUE_UPDOWN                 1017
#define IDC_PREVIEW                     1002
#define IDC_HEX_TEXT                    1013
#define IDC_ENTER_BUTTON                1018
// after the controls above: the color model the channels are edited in
#define IDC_PANEL_MODEL                 1023
// after it: the bits per channel the sliders, arrows and fields step in
#define IDC_PANEL_DEPTH                 1024

// String tables: one Japanese and one English block, the same ids in each.
// A block holds ids n*16 to n*16+15; each window's strings fill ranges of
// their own, with room for more.

// Strings shared by every window: 3000 to 3015
#define IDS_OPEN_TITLE                  3000
#define IDS_SAVE_AS_TITLE               3001

// Main window and its document: 3016 to 3047
#define IDS_MAIN_LOADING_FAILED         3016
#define IDS_MAIN_DELETE_REGISTRY        3017
#define IDS_MAIN_LANGUAGE               3018
#define IDS_MAIN_LANGUAGE_SYSTEM        3019
#define IDS_MAIN_LANGUAGE_JAPANESE      3020
#define IDS_MAIN_LANGUAGE_ENGLISH       3021
#define IDS_DOC_NOT_SAVED               3024
#define IDS_DOC_SAVE_CHANGES            3025
#define IDS_DOC_PNG_FORM                3026
#define IDS_DOC_TABLE_TOO_LARGE         3027
#define IDS_DOC_FILE_TOO_LARGE          3028
#define IDS_DOC_OUT_OF_MEMORY           3029
#define IDS_DOC_NOT_READ                3030
#define IDS_SAVE_READ_ONLY              3031
#define IDS_SAVE_HARD_LINKED            3032
#define IDS_SAVE_IN_USE                 3033
#define IDS_DOC_TABLE_AFTER_REARRANGE   3034

// New image dialog 109: 3048 to 3063
#define IDS_NEW_MODE_2                  3048
#define IDS_NEW_MODE_16                 3049
#define IDS_NEW_MODE_256                3050
#define IDS_NEW_MODE_FULL_COLOR         3051
#define IDS_NEW_FULL_COLOR_ENTRIES      3052
#define IDS_NEW_INVALID_SIZE            3053
#define IDS_NEW_TOO_MANY_ENTRIES        3054

// Palette window 102: 3064 to 3095
#define IDS_PALETTE_TITLE               3064
#define IDS_PALETTE_DISCARD             3065
#define IDS_PALETTE_LOADING_ERROR       3066
#define IDS_PALETTE_NO_TABLE            3067
#define IDS_PALETTE_ENTRY_COUNT         3068
#define IDS_PALETTE_EMPTY               3069
#define IDS_PALETTE_HOLD_F12            3070
#define IDS_PALETTE_SAVING_ERROR        3071
#define IDS_PALETTE_TIP_ENTRY           3072
#define IDS_PALETTE_TIP_PIXELS          3073
#define IDS_PALETTE_TIP_UNUSED          3074
#define IDS_PALETTE_REARRANGE_FAILED    3075
#define IDS_PALETTE_TABLE_MENU          3076
#define IDS_PALETTE_TABLE_GLOBAL        3077
#define IDS_PALETTE_TABLE_FRAME         3078
#define IDS_PALETTE_RAW_UNDECIDED       3079

// Palette window's rearranging and move entries dialog 111: 3096 to 3111
#define IDS_MOVE_RANGE                  3096
#define IDS_CONFORM_SIZE                3097
#define IDS_CONFORM_NO_FREE_ENTRY       3098
#define IDS_CONFORM_REPORT              3099

// Color panel 103: 3112 to 3127; the model names in the order of ColorModel
#define IDS_PANEL_MODEL_RGB             3112
#define IDS_PANEL_MODEL_HSV             3113
#define IDS_PANEL_MODEL_HSL             3114
#define IDS_PANEL_MODEL_OKLCH           3115
// the depth choice's items, in its order
#define IDS_PANEL_DEPTH_8               3116
#define IDS_PANEL_DEPTH_6               3117
#define IDS_PANEL_DEPTH_5               3118
#define IDS_PANEL_DEPTH_4               3119
#define IDS_PANEL_DEPTH_3               3120

// The header view's reports: 3504 to 3599
#define IDS_REPORT_BASIC_HEADING        3504
#define IDS_REPORT_EXTENDED_HEADING     3505
#define IDS_REPORT_HEIGHT_LABEL         3506
#define IDS_REPORT_WIDTH_LABEL          3507
#define IDS_REPORT_KIND_LABEL           3508
#define IDS_REPORT_COLORS_USED_LABEL    3509
#define IDS_REPORT_COLORS_UNIT          3510
#define IDS_REPORT_BYTES_UNIT           3511
#define IDS_REPORT_KIND_1BIT            3512
#define IDS_REPORT_KIND_2BIT            3513
#define IDS_REPORT_KIND_4BIT            3514
#define IDS_REPORT_KIND_8BIT            3515
#define IDS_REPORT_KIND_24BIT           3516
#define IDS_REPORT_KIND_UNSUPPORTED     3517
#define IDS_REPORT_NOT_PRESENT          3518
#define IDS_REPORT_NOT_SAVED            3519
#define IDS_REPORT_BYTES_PER_LINE_LABEL 3520
#define IDS_REPORT_CALCULATED_SIZE_LABEL 3521
#define IDS_REPORT_ACTUAL_SIZE_LABEL    3522
#define IDS_REPORT_SIZE_NOT_SAVED       3523
#define IDS_REPORT_SIZE_UNKNOWN         3524
#define IDS_REPORT_BREAKDOWN_HEADING    3525
#define IDS_REPORT_COLOR_TABLE_LABEL    3526
#define IDS_REPORT_IMAGE_BITS_LABEL     3527
#define IDS_REPORT_FILE_SIZE_LABEL      3528
#define IDS_REPORT_TRANSPARENT_LABEL    3529
#define IDS_REPORT_INTERLACE_LABEL      3530
#define IDS_REPORT_INTERLACE_NONE       3531
#define IDS_REPORT_FRAMES_LABEL         3532
#define IDS_REPORT_CHUNKS_HEADING       3533
#define IDS_REPORT_FORMAT_LABEL         3534
#define IDS_REPORT_IMAGES_LABEL         3535
#define IDS_REPORT_COLOR_TABLES_HEADING 3536
#define IDS_REPORT_EDITED_TABLE_LABEL   3537
#define IDS_REPORT_OTHER_LOCAL_TABLES_LABEL 3538
#define IDS_REPORT_NO_OTHER_TABLES      3539
#define IDS_REPORT_IMAGE_TABLE          3540
#define IDS_REPORT_KEPT_AS_IS           3541
#define IDS_REPORT_EDITED               3542
#define IDS_REPORT_BLOCKS_LABEL         3543
#define IDS_REPORT_TRAILER_LABEL        3544
#define IDS_REPORT_TRAILER_PRESENT      3545
#define IDS_REPORT_TRAILER_MISSING      3546
#define IDS_REPORT_FIRST_LOCAL_TABLE    3547
#define IDS_REPORT_GLOBAL_TABLE         3548
#define IDS_REPORT_GLOBAL_TABLE_EDITED  3549
#define IDS_REPORT_EDITS_INSTEAD        3550
#define IDS_REPORT_TRAILER_MISSING_NOTE 3551

#endif
