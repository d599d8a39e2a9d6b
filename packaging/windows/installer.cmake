# The Windows installer, brevalin-setup-<version>.exe: `ninja installer` in the
# 32-bit cross build, the build that is installed. The 64-bit hardware
# QUILLSAN.DLL comes from the 64-bit build, named by BREVALIN_X64_DLL
# (scripts/windows.sh sets it).
set(BREVALIN_X64_DLL "" CACHE FILEPATH
    "The 64-bit hardware QUILLSAN.DLL the installer puts in x64/ (from the 64-bit cross build)")
set(setup_name brevalin-setup-${PROJECT_VERSION})
set(setup_target)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  # The 64-bit build's installer holds its own programs; it is not shipped, it
  # lets the installer be tested under wine where 32-bit programs cannot run.
  set(BREVALIN_X64_DLL $<TARGET_FILE:quillsan_hardware>)
  set(setup_name ${setup_name}-x64)
  set(setup_target -DAMD64)
endif()
find_program(MAKENSIS_EXECUTABLE makensis)

set(installer_dir ${PROJECT_SOURCE_DIR}/packaging/windows)
set(installer_stage ${CMAKE_BINARY_DIR}/installer)
set(setup_exe ${CMAKE_BINARY_DIR}/${setup_name}.exe)
# Notepad and the licence page get Windows line ends.
configure_file(${installer_dir}/README.txt.in ${installer_stage}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright ${installer_stage}/LICENSE.txt @ONLY
               NEWLINE_STYLE CRLF)

if(NOT MAKENSIS_EXECUTABLE)
  set(installer_command ${CMAKE_COMMAND} -E echo
      "makensis not found: scripts/install-deps.sh installs nsis" COMMAND ${CMAKE_COMMAND} -E false)
elseif(NOT BREVALIN_X64_DLL)
  set(installer_command ${CMAKE_COMMAND} -E echo
      "BREVALIN_X64_DLL is not set: configure with -DBREVALIN_X64_DLL=<64-bit build>/hardware/QUILLSAN.DLL"
      COMMAND ${CMAKE_COMMAND} -E false)
else()
  # brevalin.nsi checks that every file exists and names a missing one.
  set(installer_command ${MAKENSIS_EXECUTABLE} -V2 -WX -NOCD
      ${setup_target}
      -DVERSION=${PROJECT_VERSION}
      -DOUTFILE=${setup_exe}
      -DBREVALIN_EXE=$<TARGET_FILE:brevalin>
      -DBREVALIN_CLI_EXE=$<TARGET_FILE:brevalin-cli>
      -DHARDWARE_DLL=$<TARGET_FILE:quillsan_hardware>
      -DVIRTUAL_DLL=$<TARGET_FILE:quillsan_virtual>
      -DX64_DLL=${BREVALIN_X64_DLL}
      -DREADME=${installer_stage}/README.txt
      -DLICENSE=${installer_stage}/LICENSE.txt
      ${installer_dir}/brevalin.nsi)
endif()
# Always run: makensis takes a second, and the 64-bit DLL is built elsewhere.
add_custom_target(installer
  COMMAND ${installer_command}
  BYPRODUCTS ${setup_exe}
  COMMENT "Making ${setup_name}.exe"
  VERBATIM)
add_dependencies(installer brevalin brevalin-cli quillsan_hardware quillsan_virtual)
