// The times of a benchmark's repeated runs, summed up as the best and the median run (the
// machine is shared, so single runs vary).
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace quarlink::bench {

using Seconds = std::chrono::duration<double>;

struct Times
{
    std::vector<Seconds> runs;
    Seconds best() const { return *std::min_element(runs.begin(), runs.end()); }
    Seconds median() const
    {
        auto sorted = runs;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
};

} // namespace quarlink::bench
