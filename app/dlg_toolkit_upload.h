#pragma once
// The upload dialog's logic: choose the parts to read, read the drive into the
// configuration on a worker thread, report the sizes read and save the image.
#include <atomic>
#include <string>
#include <thread>

#include "app/transfer_outcome.h"
#include "app/ui.h"
#include "app/window_message_box.h"
#include "image/cfg_exchange.h"
#include "image/dev_info.h"

namespace tarn {

constexpr uint32_t WM_UPLOAD_PROGRESS = 1502;
constexpr uint32_t WM_UPLOAD_DONE = 1504;

class CDlgToolkitUpload {
public:
    // devInfo: the connected drive's record, stored in the image. configuration:
    // what the drive is read into and the image saved from.
    CDlgToolkitUpload(CDevInfo* devInfo, CCfgExchange& configuration);
    // Waits for a running worker.
    ~CDlgToolkitUpload();
    CDlgToolkitUpload(const CDlgToolkitUpload&) = delete;
    CDlgToolkitUpload& operator=(const CDlgToolkitUpload&) = delete;

    void Attach(IDialogView* view) { m_view = view; }
    bool OnInitDialog();
    LRESULT WindowProc(uint32_t message, WPARAM wParam, LPARAM lParam);
    void OnBnClickedUpload();
    // Enter presses Upload, the default button. Esc or closing the window ends
    // the dialog, or, while a read runs, as soon as its result has been handled.
    void OnOK() { OnBnClickedUpload(); }
    void OnCancel();

    bool StartRead();
    void OnReadDone(bool ok);
    bool SaveImageFile(std::u16string path);
    void AddLog(const std::u16string& line);
    // True while the read runs (the Upload button is disabled meanwhile).
    bool IsBusy() const { return m_busy; }
    // How the last upload of this dialog ended.
    const TransferOutcome& Outcome() const { return m_outcome; }
    // Why the last save failed (an errno value), 0 when it did not.
    int SaveError() const { return m_nSaveError; }

    CDevInfo* m_pDevInfo;
    std::u16string m_strPath;
    int m_nOperation = 0;
    int m_nSaveError = 0;

private:
    static void Progress(void* context, int code);

    CCfgExchange& m_cfg;
    IDialogView* m_view = nullptr;
    TransferOutcome m_outcome;
    std::thread m_hThread;
    std::atomic<bool> m_busy{false};
    bool m_endWhenIdle = false;
};

}  // namespace tarn
