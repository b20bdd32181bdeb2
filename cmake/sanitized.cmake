# duvisto_sanitized(TARGET...): compiled and linked under AddressSanitizer and UBSan, for the
# native tests; -O1 as the sanitizers advise (many more fuzzer runs, usable stack traces). A
# static library passes the link options on to whatever links it.
set(DUVISTO_SANITIZERS -O1 -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
function(duvisto_sanitized)
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE ${DUVISTO_SANITIZERS} -Wall -Wextra)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "STATIC_LIBRARY")
      target_link_options(${target} INTERFACE ${DUVISTO_SANITIZERS})
    else()
      target_link_options(${target} PRIVATE ${DUVISTO_SANITIZERS})
    endif()
  endforeach()
endfunction()
