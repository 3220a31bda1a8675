/* Resource and control ids of the stub's dialogs and icon.
 *
 * Plain preprocessor definitions only: this header is read by the resource
 * compiler (stub.rc) as well as by the C++ sources of the wizard.
 *
 * Control ids are local to a dialog, and the page templates reuse the same
 * numbers for different controls (1001 is the Next button on the frame, the
 * page text on a text page, the licence box on the licence page). Each role
 * therefore has its own name, even where two names share a value.
 */
#ifndef SLIPWAY_RESOURCE_IDS_H
#define SLIPWAY_RESOURCE_IDS_H

/* Aligned by hand, for the resource compiler's readers too. */
/* clang-format off */

/* Application manifest (RT_MANIFEST) of the executable. */
#define IDR_APP_MANIFEST            1

/* Icon group: the frame's large icon. */
#define IDI_SLIPWAY                 101

/* Dialog templates. */
#define IDD_FRAME                   101 /* wizard frame: banner, separators, Back/Next/Cancel */
#define IDD_PAGE_TEXT               110 /* welcome, earlier installation, removal, uninstall welcome and finish */
#define IDD_PAGE_LICENSE            111 /* licence rich edit */
#define IDD_PAGE_FOLDERS            112 /* Start-menu group and install folder */
#define IDD_PAGE_PROGRESS           113 /* nine step rows (install and uninstall) */
#define IDD_PAGE_COMPONENTS         114 /* owner-drawn component list */
#define IDD_PAGE_FINISH             115 /* finish text and two optional boxes */

/* Frame 101. */
#define IDC_CANCEL                  2    /* the same value as IDCANCEL */
#define IDC_BACK                    1000
#define IDC_NEXT                    1001
#define IDC_BANNER                  1002

/* Every page: the centred hint line at the bottom. */
#define IDC_HINT                    1005

/* Pages 110 and 115: the page's main text. */
#define IDC_PAGE_TEXT               1001
/* the earlier-installation page: the box a downgrade needs ticked */
#define IDC_CONFIRM_DOWNGRADE       1010

/* Page 111. */
#define IDC_LICENSE_TEXT            1001

/* Page 112. */
#define IDC_GROUP_EDIT              1001
#define IDC_FOLDER_EDIT             1002
#define IDC_BROWSE                  1003
#define IDC_GROUP_LABEL             1009
#define IDC_FOLDER_LABEL            1010

/* Pages 112 and 115: check boxes of optional components. */
#define IDC_OPTION_BOX_1            1011
#define IDC_OPTION_BOX_2            1012

/* Page 114. */
#define IDC_COMPONENTS_LABEL        1006
#define IDC_COMPONENT_LIST          1007
#define IDC_COMPONENT_DESCRIPTION   1008

/* Page 113: step rows, a mark (Wingdings check or cross) and a caption each,
 * made at run time: row n (from 0) has the mark IDC_STEP_MARK_1 + n and the
 * caption IDC_STEP_CAPTION_1 + n. */
#define IDC_STEP_MARK_1             1016
#define IDC_STEP_CAPTION_1          1026
/* Page 113, made at run time too: the progress bar under the rows and the
 * line under it that names the file at hand. */
#define IDC_PROGRESS_BAR            1036
#define IDC_PROGRESS_ITEM           1037

/* clang-format on */

#endif /* SLIPWAY_RESOURCE_IDS_H */
