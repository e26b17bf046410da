#include "app/console/trace_target.h"

#include <stdexcept>

#include "app/console/output_target.h"
#include "platform/storage/replacement_file.h"
#include "platform/wide_string.h"

namespace tarn::console {

bool TraceTarget::Open(const std::string& title, const std::optional<std::string>& image) {
    if (image && SameFile(m_path, *image)) {
        m_io.Error("the trace " + m_path + " is the command's own image: give the trace another name");
        return false;
    }
    // A device or a FIFO (--trace /dev/stderr) is written to, not replaced.
    if (IsExistingRegularFile(m_path) &&
        !m_io.Ask(u"\"" + FromUtf8(m_path) + u"\" already exists.\nDo you want to replace it?")) {
        m_io.Error("the trace " + m_path +
                   " exists and was not replaced: nothing was done (answer on a terminal, or give --yes)");
        return false;
    }
    try {
        m_trace = std::make_unique<LineTrace>(m_path, title);
    } catch (const std::runtime_error& e) {
        m_io.Error(e.what());
        return false;
    }
    return true;
}

TraceTarget::~TraceTarget() {
    if (!m_trace) return;
    if (const int error = m_trace->Close())
        m_io.Error("the trace " + m_path + " is cut short: " + OsErrorText(error));
}

}  // namespace tarn::console
