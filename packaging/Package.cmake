# The Debian package: `cpack -G DEB` in the build folder writes gridcarver_<version>_amd64.deb with
# everything the install rules put under /usr. Its library dependencies come from dpkg-shlibdeps.
include(GNUInstallDirs)
# The SLURM array job of planned batches.
install(PROGRAMS ${CMAKE_CURRENT_LIST_DIR}/slurm/gridcarver-split.sbatch
        DESTINATION ${CMAKE_INSTALL_DATADIR}/gridcarver/slurm)
# The licence in the distribution's copyright format and the package's changelog (gzip -n: no
# time stamp or name inside, so the package builds reproducibly).
set(GC_CHANGELOG_GZ ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(OUTPUT ${GC_CHANGELOG_GZ}
  COMMAND gzip -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/debian/changelog > ${GC_CHANGELOG_GZ}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
  VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${GC_CHANGELOG_GZ})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${GC_CHANGELOG_GZ}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/gridcarver)
# lintian's overrides, each with its reason.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME gridcarver)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gridcarver)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Packaged apart from the sources: revision 1 of upstream version PROJECT_VERSION.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_VENDOR "the Gridcarver developers")
set(GRIDCARVER_PACKAGE_MAINTAINER "Gridcarver maintainers <maintainers@users.noreply.c-seed-58fca206.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT ${GRIDCARVER_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${GRIDCARVER_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "split electron-microscopy film scans into MRC or TIFF images")
# The long description, one line of the control file per line here.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Gridcarver prepares scanned electron-microscopy film for processing. A film"
  "scan is one large, tile-organised, 8-bit greyscale TIFF holding up to six"
  "images in a 3 x 2 grid. Gridcarver finds each image by its bright edge and"
  "writes it as an MRC file (or a TIFF), optionally with a 2x2, 3x3 or 4x4"
  "binned copy, for batches of up to 100 scans. It also converts transmittance"
  "TIFFs to optical density (float MRC), cuts rectangles, reports pixel"
  "statistics, and views TIFF, JPEG and BMP images with zoom, printing and"
  "particle picking into MRC boxes."
  ""
  "It comes as a Qt 6 desktop program (gridcarver) and a command-line program"
  "(gridcarver-cli), with a sample-scan generator (gridcarver-make-scan).")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Help Contents opens the guide with xdg-open; Convert to PDF runs tiff2pdf.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, libtiff-tools")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
