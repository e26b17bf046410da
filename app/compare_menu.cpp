// The window's comparisons: the image in the file field against the
// connected drive, and two images against each other.
#include "app/tarn_toolkit_dlg.h"

namespace tarn {

void CTarnToolkitDlg::CompareImageWithDrive() {}

void CTarnToolkitDlg::CompareTwoImages() {}

}  // namespace tarn
