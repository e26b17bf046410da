#include "app/download_checks.h"

#include "params/para_limits.h"
#include "platform/wide_string.h"

namespace tarn {

bool ConfirmDownloadChecks(IDialogView& view, const CParaMgr* para, const CDevInfo& image, const CDevInfo& drive) {
    if (para) {
        const auto outside = ValuesOutsideLimits(*para);
        if (!outside.empty() &&
            view.MessageBox(FromUtf8("These values of the image lie outside their limits (the image may be "
                                     "damaged, or made for other firmware):\n" +
                                     DescribeOutsideLimits(outside, para->m_nAxes) + "Write them anyway?"),
                            MbButtons::YesNo, MbIcon::Warning) != IDYES)
            return false;
    }
    if (image.m_nMainVersion != drive.m_nMainVersion || image.m_nSubVersion != drive.m_nSubVersion) {
        const std::string text = "The image was taken from other firmware: image main version " +
                                 std::to_string(image.m_nMainVersion) + ", sub version " +
                                 std::to_string(image.m_nSubVersion) + "; drive main version " +
                                 std::to_string(drive.m_nMainVersion) + ", sub version " +
                                 std::to_string(drive.m_nSubVersion) + ".\nWrite it anyway?";
        if (view.MessageBox(FromUtf8(text), MbButtons::YesNo, MbIcon::Warning) != IDYES) return false;
    }
    return true;
}

}  // namespace tarn
