// A progress bar on standard error, redrawn in place on a terminal: "[#####     ] label".
#pragma once

#include <cstddef>
#include <string>

namespace quarlink::cli {

// Draws the bar `width` characters wide, filled by done / total (total > 0), then `label`.
void drawProgressBar(std::size_t done, std::size_t total, int width, const std::string& label);

// Clears the line the bar is on, so that other output starts at its beginning.
void clearProgressBar();

} // namespace quarlink::cli
