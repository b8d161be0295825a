# Packages of the installed program: `cpack -G DEB` in a Linux build folder makes the Debian
# package, `cpack -G ZIP` in the Windows cross build the zip of skeinview.exe, the README and the
# licence. Both take their version from project() in the top CMakeLists.txt.

set(CPACK_PACKAGE_NAME skeinview)
set(CPACK_PACKAGE_VENDOR "The Skeinview developers")
set(CPACK_PACKAGE_CONTACT "The Skeinview developers <developers@skeinview.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen console reader of JAM message bases")
set(CPACK_PACKAGE_DESCRIPTION
    "Skeinview reads one JAM message base (the .jhr, .jdt and .jdx files of a
bulletin-board message area) and shows it as a list of threads in an 80x25
text screen; a message opens in a viewer that steps through its thread. The
messages already read are remembered per base in a small file in the current
directory; the base itself is never written.

When standard output is not a terminal, the thread list is written as text,
one row per line, for pipes, mail and cron jobs.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_SYSTEM_NAME win64)
else()
    set(CPACK_GENERATOR DEB)
endif()

# The Debian package: dependencies from dpkg-shlibdeps, the file name and architecture as dpkg
# names them, and what Debian's policy asks of every package beside the installed files.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION news)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Directories made by the install get the usual mode whatever the umask of the one who builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The copyright file, the changelog and the compressed manual page are made in the package's
# staging tree only, so that `cmake --install` still puts exactly the program and its page.
set(CPACK_SKEIN_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/DebianDocs.cmake)

include(CPack)
