# The Debian package (`make package`, or cpack in the build folder): everything the install
# rules put into the prefix, under /usr, with the shared libraries it needs found by
# dpkg-shlibdeps from the installed programs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quoril)
set(CPACK_PACKAGE_VENDOR Hemsel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "scientific calculator with a function plotter")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quoril evaluates expressions in 80-bit precision, shows results in free, fixed, exponent, "
    "hexadecimal or binary form and plots functions and parametric curves. It comes with "
    "quoril-eval, quoril-plot and quoril-dde for the command line.")
set(CPACK_PACKAGE_CONTACT "Quoril maintainers <maintainers@users.noreply.c-seed-61ee7aaf.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its window-system plugins at run time, so no library link names that package.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
include(CPack)
