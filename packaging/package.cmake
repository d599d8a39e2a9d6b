# Debian packages: `cpack -G DEB` in the build folder makes one .deb per
# component. Dependencies come from the shared libraries actually linked.
set(package_docs ${CMAKE_BINARY_DIR}/package-docs)
file(MAKE_DIRECTORY ${package_docs})

# Debian wants manual pages and changelogs compressed, without time stamps.
function(gzip_for_package source target)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${target} COMMAND_ERROR_IS_FATAL ANY)
endfunction()

gzip_for_package(${PROJECT_SOURCE_DIR}/uploader/cli/brevalin-cli.1 ${package_docs}/brevalin-cli.1.gz)
gzip_for_package(${PROJECT_SOURCE_DIR}/packaging/changelog ${package_docs}/changelog.gz)

set(package_names library quillsan dev quillsan-dev brevalin brevalin cli brevalin-cli
    python python3-quillsan)
set(package_components library dev python)
if(QUILLSAN_HAVE_UPLOADER)
  list(APPEND package_components brevalin cli)
  # brevalin-cli-virtual is the same program beside the other flavour.
  file(CREATE_LINK brevalin-cli.1.gz ${package_docs}/brevalin-cli-virtual.1.gz SYMBOLIC)
  install(FILES ${package_docs}/brevalin-cli.1.gz ${package_docs}/brevalin-cli-virtual.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
  install(FILES packaging/brevalin.lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
          RENAME brevalin COMPONENT brevalin)
endif()

# Every package carries its copyright and changelog under its own name.
foreach(component IN LISTS package_components)
  list(FIND package_names ${component} at)
  math(EXPR at "${at} + 1")
  list(GET package_names ${at} name)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${name})
  install(FILES packaging/copyright ${package_docs}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${name} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillsan)
set(CPACK_PACKAGE_VENDOR "Zantorel")
set(CPACK_PACKAGE_CONTACT "Zantorel lab software <lab-software@zantorel.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${package_components})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zantorel.example/brevalin")

set(CPACK_COMPONENT_LIBRARY_DESCRIPTION
  "link library for Zantorel thermal cyclers\nQUILLSAN.DLL gives any program the instrument's 43 commands over USB HID\nor a serial port. Both flavours are included: the hardware one for a real\ninstrument and a virtual one with a built-in instrument for trying the\nprograms. The udev rule lets the logged-in user open the instrument.")
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "header for programs using the Zantorel link library\nquillsan.h declares the 43 exports of QUILLSAN.DLL and the records they\nexchange, for programs that load the library.")
set(CPACK_COMPONENT_BREVALIN_DESCRIPTION
  "report upload utility for Zantorel thermal cyclers\nbrevalin lists the runs stored in the instrument, fetches a run's\nvalidation or run report and saves it to a text file.")
set(CPACK_COMPONENT_CLI_DESCRIPTION
  "command-line report upload for Zantorel thermal cyclers\nbrevalin-cli lists runs and fetches or exports their reports without a\nwindow, for scripts, nightly jobs and remote shells.")
set(CPACK_COMPONENT_PYTHON_DESCRIPTION
  "Python package for Zantorel thermal cyclers\nquillsan gives Python programs the instrument through QUILLSAN.DLL: its 43\nexports in Python's terms, the caller records as dataclasses, and an\ninstrument object that lists runs and fetches reports as brevalin-cli does.")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= 3.9)")
# Byte-compiled on installation and cleaned away on removal, as Debian's own
# Python packages are.
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/packaging/python3-quillsan/postinst
  ${PROJECT_SOURCE_DIR}/packaging/python3-quillsan/prerm)
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_PYTHON_DEPENDS library)
# Own maintainer scripts keep CPack from adding ldconfig calls: no library is on
# the linker's path. brevalin-cli's create the nightly export's user.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
file(GLOB CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/quillsan/*)
file(GLOB CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/brevalin-cli/*)
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS adduser)
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS logrotate)
set(CPACK_DEBIAN_DEV_PACKAGE_ARCHITECTURE all)
set(CPACK_COMPONENT_DEV_DEPENDS library)
set(CPACK_COMPONENT_BREVALIN_DEPENDS library)
set(CPACK_COMPONENT_CLI_DEPENDS library)

include(CPack)
