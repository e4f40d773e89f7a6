# cmake -DMODULE=MetainfoChangelog.cmake -DMETAINFO=FILE -DVERSION=V -DOUTPUT=FILE -P write-debian-changelog.cmake
# Writes the Debian changelog that the package build makes from a metainfo file.
cmake_minimum_required(VERSION 3.25)
include(${MODULE})
lockwarden_changelog_from_metainfo(${METAINFO} lockwarden ${VERSION}
                                   "Fernhollow Software <support@fernhollow.example>" strChangelog)
file(WRITE ${OUTPUT} "${strChangelog}")
