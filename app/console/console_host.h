#pragma once
// The modal dialogs of the main dialog, run on the console: the confirmation
// is a question on the terminal, and the upload dialog runs with the boxes and
// the target file given on the command line.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/console/console_io.h"
#include "app/console/console_view.h"
#include "app/ui.h"

namespace tarn::console {

// The parts of an upload to leave out, and the image to write.
struct UploadChoice {
    bool noDH = false;
    bool noMH = false;
    bool noPara = false;
    std::optional<std::u16string> target;
};

class ConsoleHost : public IDialogHost {
public:
    ConsoleHost(ConsoleIo& io, UploadChoice upload) : m_io(io), m_upload(std::move(upload)) {}

    // The main dialog's view, whose messages also run while the upload dialog does.
    void SetOwner(ConsoleView* owner) { m_owner = owner; }

    int RunConfirmDialog() override;
    void RunAboutDialog() override;
    void RunUploadDialog(CDlgToolkitUpload& dialog) override;

    // Whether an upload dialog ran.
    bool UploadRan() const { return !m_views.empty(); }

private:
    ConsoleIo& m_io;
    UploadChoice m_upload;
    ConsoleView* m_owner = nullptr;
    // Kept until the host goes, so that an ended dialog never holds a dangling view.
    std::vector<std::unique_ptr<ConsoleView>> m_views;
};

}  // namespace tarn::console
