# Runs inside `cpack -G DEB` once the install rules have filled the staging tree: finishes the programs and
# manual pages as Debian ships them and adds the files a Debian package carries beside the program
# (copyright, changelog, lintian overrides).
cmake_policy(VERSION 3.25)
include(${CPACK_LOCKWARDEN_DEBIAN_DIR}/MetainfoChangelog.cmake)
set(strRoot "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(strDocDir "${strRoot}/${CPACK_LOCKWARDEN_DOCDIR}")
set(lstReadable OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# Debian keeps manual pages and changelogs gzipped at the highest level, with no name or time in the header.
function(gzip_in_place strFile)
    execute_process(COMMAND gzip -9nf "${strFile}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

# Copies a file into the staged tree, readable by all whatever the umask or the checkout's modes.
function(stage_file strFrom strTo)
    get_filename_component(strDir "${strTo}" DIRECTORY)
    file(MAKE_DIRECTORY "${strDir}")
    file(COPY_FILE "${strFrom}" "${strTo}")
    file(CHMOD "${strTo}" PERMISSIONS ${lstReadable})
endfunction()

# cpack has stripped the programs; as dh_strip does, the compilers' version notes go too.
file(GLOB lstPrograms LIST_DIRECTORIES false "${strRoot}/${CPACK_LOCKWARDEN_BINDIR}/*")
foreach(strProgram IN LISTS lstPrograms)
    execute_process(COMMAND "${CPACK_LOCKWARDEN_OBJCOPY}" --remove-section=.comment --remove-section=.note
                            "${strProgram}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()

file(GLOB_RECURSE lstManPages LIST_DIRECTORIES false "${strRoot}/${CPACK_LOCKWARDEN_MANDIR}/*")
foreach(strPage IN LISTS lstManPages)
    if(NOT strPage MATCHES "\\.gz$")
        gzip_in_place("${strPage}")
    endif()
endforeach()

stage_file("${CPACK_LOCKWARDEN_DEBIAN_DIR}/copyright" "${strDocDir}/copyright")
stage_file("${CPACK_LOCKWARDEN_DEBIAN_DIR}/lintian-overrides"
           "${strRoot}/share/lintian/overrides/${CPACK_PACKAGE_NAME}")

# The version has no Debian revision, so the package is native and its changelog is changelog.gz.
file(GLOB lstMetainfo "${strRoot}/${CPACK_LOCKWARDEN_METAINFO_DIR}/*.metainfo.xml")
list(LENGTH lstMetainfo nMetainfo)
if(NOT nMetainfo EQUAL 1)
    message(FATAL_ERROR "expected one installed metainfo file, found: ${lstMetainfo}")
endif()
lockwarden_changelog_from_metainfo("${lstMetainfo}" ${CPACK_PACKAGE_NAME}
                                   ${CPACK_PACKAGE_VERSION} "${CPACK_DEBIAN_PACKAGE_MAINTAINER}" strChangelog)
file(WRITE "${strDocDir}/changelog" "${strChangelog}")
file(CHMOD "${strDocDir}/changelog" PERMISSIONS ${lstReadable})
gzip_in_place("${strDocDir}/changelog")
