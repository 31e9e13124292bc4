# quarlink_warnings(target): the project's warning policy for its own code. Warnings become
# errors only with QUARLINK_WERROR (on in the project's scripts and CI), so a packager's build
# with another compiler or other flags is not stopped by a new warning.
option(QUARLINK_WERROR "Treat compiler warnings in the project's own code as errors" OFF)

function(quarlink_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${QUARLINK_WERROR}>:-Werror>)
endfunction()
