// A port list for tests: a fixed list, or a source that cannot be read.
#pragma once

#include "platform/PortListProvider.h"

namespace quarlink::testing {

class FakePortList : public platform::PortListProvider
{
public:
    std::optional<std::vector<platform::PortEntry>> ports() const override { return entries; }
    std::optional<std::vector<platform::PortEntry>> entries = std::vector<platform::PortEntry>{};
};

} // namespace quarlink::testing
