#include "cli/ProgressBar.h"

#include <cstdio>

namespace quarlink::cli {

void drawProgressBar(std::size_t done, std::size_t total, int width, const std::string& label)
{
    const auto filled = static_cast<std::size_t>(done * static_cast<std::size_t>(width) / total);
    const std::string bar =
        std::string(filled, '#') + std::string(static_cast<std::size_t>(width) - filled, ' ');
    std::fprintf(stderr, "\r[%s] %s", bar.c_str(), label.c_str());
    std::fflush(stderr);
}

void clearProgressBar()
{
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

} // namespace quarlink::cli
