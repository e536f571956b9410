# velmora: hardening of the optimised builds (Release, RelWithDebInfo, MinSizeRel) for ELF targets
# built with GCC or Clang: the set Debian builds its own packages with.
#   -fstack-protector-strong       canaries in functions with arrays or address-taken locals
#   -fstack-clash-protection       probes each page of a large stack frame
#   -fcf-protection                control-flow marks (x86 CET); only where the target has them
#   -D_FORTIFY_SOURCE=2            checked variants of the C library's copy and print functions;
#                                  needs optimisation, so the Debug build goes without
#   -Wformat -Werror=format-security
#   -Wl,-z,relro -Wl,-z,now        relocations read-only after start-up, every symbol bound at once
#   -fPIE, -pie                    a position-independent program, so that it loads at a random
#                                  address; objects of the static library too, as the program's own
# The sanitizer and fuzz builds do not include this file: the fortified functions hide the calls
# AddressSanitizer intercepts.
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)

set(velmora_release "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
set(velmora_hardening_compile -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2 -Wformat -Werror=format-security)
foreach(flag -fPIE -fstack-protector-strong -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "velmora_has${flag}" known)
  check_cxx_compiler_flag(${flag} ${known})
  if(${known})
    list(APPEND velmora_hardening_compile ${flag})
  endif()
endforeach()
add_compile_options("$<${velmora_release}:${velmora_hardening_compile}>")
check_linker_flag(CXX -pie velmora_has_pie)
if(velmora_has_pie)
  add_link_options("$<${velmora_release}:$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-pie>>")
endif()
check_linker_flag(CXX "LINKER:-z,relro,-z,now" velmora_has_bindnow)
if(velmora_has_bindnow)
  add_link_options("$<${velmora_release}:LINKER:-z,relro,-z,now>")
endif()
