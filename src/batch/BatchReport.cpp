#include "batch/BatchReport.h"

#include <algorithm>

namespace varnholt {

std::size_t BatchResult::countOf(ImageStatus status) const {
    return static_cast<std::size_t>(
        std::count_if(outcomes.begin(), outcomes.end(),
                      [status](const ImageOutcome& outcome) { return outcome.status == status; }));
}

}  // namespace varnholt
