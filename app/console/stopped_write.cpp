#include "app/console/stopped_write.h"

#include "platform/wide_string.h"

namespace tarn::console {

std::string StoppedWriteText(const CCfgExchange::WriteRecord& record, int itemsWritten, int itemsToWrite,
                             const std::string& image) {
    auto list = [](const std::vector<std::string>& parts) {
        std::string text;
        for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
        return text.empty() ? std::string("nothing") : text;
    };
    std::vector<std::string> written, unwritten;
    for (const auto& part : record.written) written.push_back(ToUtf8(part));
    for (const auto& part : record.unwritten) {
        const std::string name = ToUtf8(part);
        // A stop inside the parameters leaves some of them written.
        if (name == "Parameter" && itemsWritten > 0) {
            written.push_back("Parameter (" + std::to_string(itemsWritten) + " of " +
                              std::to_string(itemsToWrite) + " items)");
            unwritten.push_back("Parameter (the other " + std::to_string(itemsToWrite - itemsWritten) +
                                " items)");
        } else {
            unwritten.push_back(name);
        }
    }
    const std::string advice =
        written.empty() ? "  Nothing was written: the drive is as it was."
                        : "  The drive holds part of " + image + " and part of its earlier configuration: run the same "
                          "download again to complete it, or download a backup of the drive made before this "
                          "download to go back.";
    return "stopped on request, with the drive in a defined state\n"
           "  written:     " + list(written) + "\n"
           "  not written: " + list(unwritten) + "\n" + advice;
}

}  // namespace tarn::console
