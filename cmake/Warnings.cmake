# One INTERFACE target carries the warning flags; every project target links it.
add_library(scrivane_warnings INTERFACE)
target_compile_options(scrivane_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(SCRIVANE_WERROR)
  target_compile_options(scrivane_warnings INTERFACE -Werror)
endif()
