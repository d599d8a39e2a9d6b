# Debian's hardening flags (fortify, stack protector, relro, bind-now) for every
# program and library built here, as dpkg-buildflags gives them. The build type
# keeps choosing optimisation and debug information.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
  message(FATAL_ERROR "dpkg-buildflags not found (package dpkg-dev; scripts/install-deps.sh installs it)")
endif()

function(debian_build_flags variable flag)
  set(ENV{DEB_BUILD_MAINT_OPTIONS} "hardening=+all")
  set(ENV{DEB_${flag}_MAINT_STRIP} "-g -O2")
  execute_process(COMMAND ${DPKG_BUILDFLAGS} --get ${flag} OUTPUT_VARIABLE value
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(value UNIX_COMMAND "${value}")
  set(${variable} ${value} PARENT_SCOPE)
endfunction()

debian_build_flags(cppflags CPPFLAGS)
debian_build_flags(cflags CFLAGS)
debian_build_flags(cxxflags CXXFLAGS)
debian_build_flags(ldflags LDFLAGS)
foreach(flag IN LISTS cppflags cflags)
  add_compile_options($<$<COMPILE_LANGUAGE:C>:${flag}>)
endforeach()
foreach(flag IN LISTS cppflags cxxflags)
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:${flag}>)
endforeach()
add_link_options(${ldflags})
message(STATUS "Hardening: ${cppflags} ${cxxflags} ${ldflags}")
