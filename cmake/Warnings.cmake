# quarlink_warnings(target): the project's warning policy for its own code.
function(quarlink_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
