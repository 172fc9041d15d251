# The Debian package, built by CPack from the install rules (cmake/install.cmake) into
# build/package/. Its dependencies are worked out from the programs with dpkg-shlibdeps; the
# window also needs Qt's platform plugins, which no program links. It recommends xdg-utils (F1
# and Edit Scene open files with the desktop's applications) and Qt's extra image formats, whose
# TGA reader the Last Frame preview needs for LightWave's usual output.
set(KESTRUN_MAINTAINER "The Kestrun developers <kestrun@kestrun.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrun)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kestrun developers")
set(CPACK_PACKAGE_CONTACT ${KESTRUN_MAINTAINER})
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "controller for a render farm of LightWave ScreamerNet nodes")
# The summary is the package's synopsis line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kestrun drives a small render farm of LightWave 3D ScreamerNet nodes, up to
30 of them. Scene files dropped into a queue folder are read for their frame
range and image names; the frames whose images are missing are handed one at
a time to idle nodes through command files in the shared ScreamerNet command
folder.
.
The package holds the window (kestrun), the same farm without a window
(kestrun-headless, also as a systemd user service) and a simulated render
node for trying a farm out (kestrun-node-sim).")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KESTRUN_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(TARGET kestrun)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-image-formats-plugins")
endif()

# `cpack` installs what is built; the Makefile's package target builds the programs first, so
# the install step need not build every test and benchmark.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
