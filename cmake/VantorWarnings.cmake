# One interface target carries the warning flags for our own code; third-party code never sees them.
add_library(vantor_warnings INTERFACE)
target_compile_options(vantor_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wno-missing-field-initializers)
