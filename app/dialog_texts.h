#pragma once
// The dialogs' fixed texts that more than one front end shows: captions, the
// confirmation, the about box and its system-menu item.
namespace tarn {

// Message boxes carry the application's name as their caption.
inline constexpr char16_t kApplicationName[] = u"TarnToolkit";

inline constexpr char16_t kMainCaption[] = u"TarnToolkit  V2.0.0";
inline constexpr char16_t kUploadCaption[] = u"Upload";

// CDlgConfirm, shown before the sections are written.
inline constexpr char16_t kConfirmCaption[] = u"Please confirm";
inline constexpr char16_t kConfirmText[] =
    u"It will \n\n1.Servo off\n\n2.P5-39 set to 0\n\n3.P5-59 set to 0\n\n4.P5-88 set to 0";
inline constexpr char16_t kConfirmOk[] = u"Ok";
inline constexpr char16_t kConfirmCancel[] = u"Cancel";

// CAboutDlg and the system-menu item that opens it.
inline constexpr char16_t kAboutCaption[] = u"\u95dc\u65bc TarnToolkit";
inline constexpr char16_t kAboutText[] = u"TarnToolkit, 1.0 \u7248";
inline constexpr char16_t kAboutOk[] = u"\u78ba\u5b9a";
inline constexpr char16_t kAboutMenuItem[] = u"\u95dc\u65bc TarnToolkit(&A)...";

// The file field's browse dialog and the upload's save dialog.
inline constexpr char16_t kImageBrowseExtension[] = u"Image";
inline constexpr char16_t kImageBrowseFilter[] = u"Kestrel Image|*.tkw||";
inline constexpr char16_t kSaveImageTitle[] = u"Save Image";
inline constexpr char16_t kSaveImageFilter[] = u"Kestrel img (*.tkw)|*.tkw||";
inline constexpr char16_t kSaveImageExtension[] = u"*.tkw";

// The window menu's service items.
inline constexpr char16_t kMenuCompareDrive[] = u"Compare image with drive\u2026";
inline constexpr char16_t kMenuCompareImages[] = u"Compare two images\u2026";
inline constexpr char16_t kMenuVerifyAfter[] = u"Verify after download";
inline constexpr char16_t kMenuSnapshotBefore[] = u"Back up the drive before download";
inline constexpr char16_t kMenuRestoreSnapshot[] = u"Restore last snapshot\u2026";
inline constexpr char16_t kMenuServiceHistory[] = u"Service history\u2026";
inline constexpr char16_t kMenuParameters[] = u"Parameters\u2026";
inline constexpr char16_t kParameterTableTitle[] = u"Parameters of the drive";

// The question before a DH section larger than the drive's is written, and
// the same in English (the console shows both).
inline constexpr char16_t kDHQuestion[] =
    u"DH\u5340\u7684\u5927\u5c0f\u6bd4\u6a5f\u5668\u4e0a\u6240\u8a2d\u5b9a\u7684\u5927\u5c0f\u9084\u5927,"
    u"\u9019\u6a23\u6703\u84cb\u6389\u5176\u4ed6\u7684\u5206\u5340,\u78ba\u5b9a\u8981\u7e7c\u7e8c\u55ce?";
inline constexpr char16_t kDHQuestionEnglish[] =
    u"(The DH section is larger than the size set on the drive: it will overwrite the other sections. "
    u"Go on?)";

// The upload refuses a connection whose identity read failed: such an image
// could never be written back to any drive.
inline constexpr char16_t kIdentityUnread[] =
    u"The drive's identity was not read completely in this connection: no image is made from it.\n"
    u"Go offline and online again (on the command line: run the command again), then retry the upload.";
}  // namespace tarn
