# Warnings for the project's own targets (not for GoogleTest).
add_library(tarvok_warnings INTERFACE)
target_compile_options(tarvok_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
