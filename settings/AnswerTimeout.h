// The longest answer time-out an option or a plan may set: ten minutes, in milliseconds. Longer
// would look like a hang to anyone waiting on a module that does not answer.
#pragma once

namespace quarlink::settings {

inline constexpr int kMaxAnswerTimeoutMs = 600000;

} // namespace quarlink::settings
