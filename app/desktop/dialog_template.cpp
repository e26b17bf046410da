#include "app/desktop/dialog_template.h"

#include "app/dialog_texts.h"
#include "app/ui.h"

namespace tarn::desktop {

namespace {

using K = ControlKind;
constexpr int IDC_STATION_LABEL = 1004;

// Dialog 102, 507 x 244: connection on top, the file, the download's choices,
// then the progress bar over the log. The title label and "Part number:" are
// created hidden and nothing shows them. The "Download" frame starts below its
// title (a title on top of the frame's line, as styles here draw it), so its
// controls sit a row lower inside it.
constexpr ControlTemplate kMainControls[] = {
    {IDC_TITLE, K::ColourStatic, u"Tarn Toolkit     V2.0.0", 7, 2, 150, 8, false},
    {IDC_STATIC, K::Static, u"Com Port", 7, 12, 40, 8},
    {IDC_COM_PORT, K::DropDownList, u"", 50, 10, 220, 14},
    {IDC_ONLINE, K::ColourButton, u"Online", 406, 8, 94, 17},
    {IDC_FILE, K::FileEdit, u"", 50, 30, 348, 14},
    {IDC_STATIC, K::Static, u"File:(*.tkw)", 7, 33, 42, 8},
    {IDC_STATION_LABEL, K::Static, u"Station:", 284, 12, 30, 8},
    {IDC_STATION, K::Edit, u"", 316, 10, 40, 14},
    {IDC_CHK_DH, K::CheckBox, u"Section_DH", 146, 67, 58, 10},
    {IDC_CHK_MH, K::CheckBox, u"Section_MH", 208, 67, 58, 10},
    {IDC_CHK_PARA, K::CheckBox, u"Parameter", 270, 67, 52, 10},
    {IDC_STATIC, K::GroupBox, u"Download", 7, 48, 391, 53},
    {IDC_DOWNLOAD, K::PushButton, u"Download", 330, 64, 62, 16},
    {IDC_PROGRESS, K::ProgressBar, u"", 7, 105, 493, 10},
    {IDC_LOG, K::ListBox, u"", 7, 118, 493, 120},
    {IDC_GENERATE, K::PushButton, u"Generate *.tkw", 406, 64, 94, 16},
    {IDC_STATIC, K::Static, u"Part number:", 15, 84, 46, 8, false},
    {IDC_PART_NUMBER, K::ColourStatic, u"Halden_Q-W", 15, 84, 300, 8},
    {IDC_CHK_PROGRAM, K::CheckBox, u"Program / DV / All section size", 15, 67, 125, 10},
};

// Dialog 130: what to read, Upload (the default button), progress and log.
constexpr ControlTemplate kUploadControls[] = {
    {IDC_CHK_DH, K::CheckBox, u"DH", 12, 12, 36, 10},
    {IDC_CHK_MH, K::CheckBox, u"MH", 54, 12, 36, 10},
    {IDC_CHK_PARA, K::CheckBox, u"Parameter", 96, 12, 60, 10},
    {IDC_UPLOAD, K::DefaultPushButton, u"Upload", 196, 9, 57, 16},
    {IDC_UP_PROGRESS, K::ProgressBar, u"", 7, 32, 246, 10},
    {IDC_UP_LOG, K::ListBox, u"", 7, 46, 246, 137},
};

// Dialog 133: the text and its two buttons, "Ok" the default.
constexpr ControlTemplate kConfirmControls[] = {
    {IDC_STATIC, K::Static, kConfirmText, 14, 10, 122, 78},
    {IDOK, K::DefaultPushButton, kConfirmOk, 20, 98, 50, 14},
    {IDCANCEL, K::PushButton, kConfirmCancel, 80, 98, 50, 14},
};

// Dialog 100: the icon, the version line and OK.
constexpr ControlTemplate kAboutControls[] = {
    {IDC_STATIC, K::Icon, u"", 14, 14, 21, 20},
    {IDC_STATIC, K::Static, kAboutText, 42, 14, 114, 8},
    {IDOK, K::DefaultPushButton, kAboutOk, 113, 41, 50, 14},
};

constexpr DialogTemplate kMain{kMainCaption, 507, 244, kMainControls};
constexpr DialogTemplate kUpload{kUploadCaption, 260, 190, kUploadControls};
constexpr DialogTemplate kConfirm{kConfirmCaption, 150, 122, kConfirmControls};
constexpr DialogTemplate kAbout{kAboutCaption, 170, 62, kAboutControls};

}  // namespace

const DialogTemplate& MainDialogTemplate() { return kMain; }
const DialogTemplate& UploadDialogTemplate() { return kUpload; }
const DialogTemplate& ConfirmDialogTemplate() { return kConfirm; }
const DialogTemplate& AboutDialogTemplate() { return kAbout; }

}  // namespace tarn::desktop
