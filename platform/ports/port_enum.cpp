#include "platform/ports/port_enum.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "platform/ports/port_numbers.h"
#include "platform/serial/port_registry.h"
#include "platform/wide_string.h"

namespace tarn {

PortNode::~PortNode() {
    std::unique_ptr<PortNode> next = std::move(pNext);
    while (next) next = std::move(next->pNext);
}

std::unique_ptr<PortNode> EnumComPorts(IProfile& profile, const PortRoots& roots) {
    auto devices = GetPortsDeviceSet(roots);
    if (!devices || devices->empty()) return nullptr;

    std::vector<std::string> identities;
    for (const TtyDevice& d : *devices) identities.push_back(d.identity);
    const std::vector<int> numbers = AssignPortNumbers(profile, identities);

    std::vector<size_t> order(devices->size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return numbers[a] < numbers[b]; });

    std::unique_ptr<PortNode> head;
    std::unique_ptr<PortNode>* tail = &head;
    for (size_t i : order) {
        auto node = std::make_unique<PortNode>();
        node->nPort = numbers[i];
        node->strPortName = FromUtf8((*devices)[i].devicePath);
        node->strFriendlyName = (*devices)[i].friendlyName;
        *tail = std::move(node);
        tail = &(*tail)->pNext;
    }
    return head;
}

void FillPortRegistry(const PortNode* head, PortRegistry& registry) {
    for (const PortNode* node = head; node; node = node->pNext.get())
        registry.Assign(node->nPort, ToUtf8(node->strPortName));
}

void TracePort(std::FILE* out, int port, std::u16string_view friendlyName) {
    if (!out) return;
    std::fprintf(out, "Port %d '%s'\n", port, ToUtf8(friendlyName).c_str());
}

}  // namespace tarn
