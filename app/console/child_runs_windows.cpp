// Downloads onto several drives at once run one child process per drive with
// a result descriptor of its own, which the Windows build does not provide yet.
#include <cerrno>

#include "app/console/child_runs.h"

namespace tarn::console {

bool RunChildren(std::vector<ChildRun>&, const LineHandler&, const Release&) {
    errno = ENOSYS;
    return false;
}

}  // namespace tarn::console
