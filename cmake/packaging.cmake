# Installation (cmake --install) and the Debian package (cpack -G DEB).
#
#   cmake --build build --target quillon brivel && cd build && cpack -G DEB
#       -> build/quillon-brivel_<version>_<arch>.deb
#   cmake --install build --prefix /usr/local --strip
#
# Only the programs and their data are installed: no tests, benchmarks or static libraries.
include(GNUInstallDirs)

set(QB_PACKAGE_NAME quillon-brivel)
set(QB_PACKAGE_MAINTAINER "Quillon and Brivel maintainers <maintainers@quillon-brivel.example>"
    CACHE STRING "Maintainer field of the Debian package")
# udev reads /usr/lib/udev/rules.d and /usr/local/lib/udev/rules.d (besides /etc): under either
# prefix the rules take effect. Not CMAKE_INSTALL_LIBDIR: that is a multiarch folder on Debian.
set(QB_UDEV_RULES_DIR lib/udev/rules.d CACHE STRING
    "Folder of the udev rules, relative to the install prefix")
set(QB_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${QB_PACKAGE_NAME})

# Manual pages and the changelog go in compressed, as man and Debian expect.
set(qb_man_dir ${CMAKE_BINARY_DIR}/man)
set(qb_compressed)
function(qb_compress source output)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -DIN=${source} -DOUT=${output}
                -P ${PROJECT_SOURCE_DIR}/cmake/gzip_file.cmake
        DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/gzip_file.cmake
        VERBATIM)
    set(qb_compressed ${qb_compressed} ${output} PARENT_SCOPE)
endfunction()

# brivel: the program and the udev rules that open the adapters to the logged-in user.
if(TARGET brivel)
    install(TARGETS brivel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/programmer/adapters/60-brivel.rules
            DESTINATION ${QB_UDEV_RULES_DIR})
    qb_compress(${PROJECT_SOURCE_DIR}/man/brivel.1 ${qb_man_dir}/brivel.1.gz)
    install(FILES ${qb_man_dir}/brivel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# quillon: the program; with its window also the desktop entry and the icon for the menu.
if(TARGET quillon)
    install(TARGETS quillon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    qb_compress(${PROJECT_SOURCE_DIR}/man/quillon.1 ${qb_man_dir}/quillon.1.gz)
    install(FILES ${qb_man_dir}/quillon.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    if(TARGET quillon_shell)
        set(qb_icons ${PROJECT_SOURCE_DIR}/configurator/shell/resources)
        install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillon.desktop
                DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
        install(FILES ${qb_icons}/quillon.svg
                DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
        install(FILES ${qb_icons}/quillon.png
                DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/256x256/apps)
    endif()
endif()

qb_compress(${PROJECT_SOURCE_DIR}/packaging/debian/changelog ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${CMAKE_BINARY_DIR}/changelog.gz
        DESTINATION ${QB_DOC_DIR})
# Built with the programs, so a tree built only for them (tools/example.sh) installs and packs.
add_custom_target(qb_compressed_docs ALL DEPENDS ${qb_compressed})
foreach(program brivel quillon)
    if(TARGET ${program})
        add_dependencies(${program} qb_compressed_docs)
    endif()
endforeach()

# The Debian package: everything above under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${QB_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QB_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configurator and flash programmer of a metering communicator")
# Lines under 80 columns, a lone "\n" between paragraphs (CPack writes " ." for it).
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "quillon edits every setting of the communicator in a tree, saves and loads\n"
    "them as INI files and compiles them into the three binary setup areas,\n"
    "written as one S-record file. It runs as a Qt window or, with arguments,\n"
    "on the command line.\n"
    "\n"
    "brivel erases, programs and verifies the flash of the ColdFire\n"
    "microcontroller through its EzPort with an FTDI-based adapter or the\n"
    "dedicated USB programmer, or with a simulated target for work without\n"
    "hardware. The package installs udev rules that let the logged-in user\n"
    "reach the adapters.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The run-time libraries (Qt 6 Widgets, libftdi1, libusb-1.0, libc, libstdc++) as dpkg-shlibdeps
# finds them for the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git" "/build[^/]*/" "/\\\\.cache/")
include(CPack)

# The package as a user gets it: built, unpacked and run. Not in the sanitizer build, whose
# binaries need the sanitizer run-time and are no release; label "package" to skip it locally
# (ctest -LE package).
if(QB_TESTS AND NOT QB_SANITIZE AND TARGET brivel AND TARGET quillon)
    if(TARGET quillon_shell)
        set(qb_gui ON)
    else()
        set(qb_gui OFF)
    endif()
    add_test(NAME debian_package
             COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/tests/package_test.sh
                     ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/package_test
                     ${CMAKE_CPACK_COMMAND} ${PROJECT_VERSION} $<TARGET_FILE:quillon> ${qb_gui})
    set_tests_properties(debian_package PROPERTIES LABELS package TIMEOUT 300)
endif()
