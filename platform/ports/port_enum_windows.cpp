// The port list on Windows: port numbers are the COM numbers themselves.
#include <cstdlib>

#include "platform/ports/port_enum.h"
#include "platform/serial/port_registry.h"
#include "platform/wide_string.h"

namespace tarn {

PortNode::~PortNode() {
    std::unique_ptr<PortNode> next = std::move(pNext);
    while (next) next = std::move(next->pNext);
}

std::unique_ptr<PortNode> EnumComPorts(IProfile&, const PortRoots& roots) {
    auto devices = GetPortsDeviceSet(roots);
    if (!devices) return nullptr;
    std::unique_ptr<PortNode> head;
    std::unique_ptr<PortNode>* tail = &head;
    for (const TtyDevice& d : *devices) {
        auto node = std::make_unique<PortNode>();
        node->nPort = std::atoi(d.name.c_str() + 3);  // the digits after "COM"
        node->strPortName = FromUtf8(d.name);
        node->strFriendlyName = d.friendlyName;
        *tail = std::move(node);
        tail = &(*tail)->pNext;
    }
    return head;
}

void FillPortRegistry(const PortNode* head, PortRegistry& registry) {
    for (const PortNode* node = head; node; node = node->pNext.get())
        registry.Assign(node->nPort, "\\\\.\\" + ToUtf8(node->strPortName));
}

void TracePort(std::FILE* out, int port, std::u16string_view friendlyName) {
    if (!out) return;
    std::fprintf(out, "Port %d '%s'\n", port, ToUtf8(friendlyName).c_str());
}

}  // namespace tarn
