# Warnings for the project's own targets (not for GoogleTest).
option(TARVOK_WERROR "Treat warnings of the project's own code as errors" OFF)
add_library(tarvok_warnings INTERFACE)
target_compile_options(tarvok_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion)
if(TARVOK_WERROR)
  target_compile_options(tarvok_warnings INTERFACE -Werror)
endif()
