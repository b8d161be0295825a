# Run by CPack after it has installed the files into its staging tree, before it builds a
# package: for the Debian package it compresses the manual page and adds the copyright file and
# the changelog under /usr/share/doc/skeinview, as Debian's policy wants them. Other package
# kinds are left as installed.

if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()

set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(doc ${root}/share/doc/${CPACK_PACKAGE_NAME})
file(MAKE_DIRECTORY ${doc})

# Policy wants manual pages compressed with gzip -9, with no time stamp in the gzip header.
function(gzipInPlace path)
    execute_process(COMMAND gzip -9nf ${path} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "gzip failed on ${path}")
    endif()
endfunction()

file(GLOB pages ${root}/share/man/man*/*.[1-9])
foreach(page ${pages})
    gzipInPlace(${page})
endforeach()

# The copyright file in the machine-readable format, its licence text taken from LICENSE (the
# lines after the copyright line, each indented by one space, empty ones written as " .").
file(STRINGS ${CPACK_SKEIN_SOURCE_DIR}/LICENSE licence)
set(notice "")
set(body "")
foreach(line IN LISTS licence)
    if(line MATCHES "^Copyright \\(c\\) (.*)$")
        set(notice ${CMAKE_MATCH_1})
    elseif(notice)
        if(line STREQUAL "")
            string(APPEND body " .\n")
        else()
            string(APPEND body " ${line}\n")
        endif()
    endif()
endforeach()
string(REGEX REPLACE "^ \\.\n" "" body "${body}")
file(WRITE ${doc}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Skeinview
Upstream-Contact: ${CPACK_PACKAGE_CONTACT}

Files: *
Copyright: ${notice}
License: MIT

License: MIT
${body}")

# One changelog entry for the version being packaged, dated now (or at SOURCE_DATE_EPOCH).
set(version ${CPACK_PACKAGE_VERSION})
if(CPACK_DEBIAN_PACKAGE_RELEASE)
    string(APPEND version -${CPACK_DEBIAN_PACKAGE_RELEASE})
endif()
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${doc}/changelog
"${CPACK_PACKAGE_NAME} (${version}) unstable; urgency=medium

  * Release ${CPACK_PACKAGE_VERSION}.

 -- ${CPACK_PACKAGE_CONTACT}  ${date}
")
gzipInPlace(${doc}/changelog)
