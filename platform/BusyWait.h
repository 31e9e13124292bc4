// Waiting for blocking work without freezing the window: the work runs on a thread of its own
// while the window keeps repainting under a busy cursor. Keyboard and mouse input wait until the
// work is done, so no other command can start meanwhile.
#pragma once

#include <functional>

namespace quarlink::platform {

// Runs `work` to its end and returns then. `work` must not touch widgets.
void runWhileRepainting(const std::function<void()>& work);

} // namespace quarlink::platform
