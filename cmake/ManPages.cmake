# Manual pages: generated from a tool's --help with help2man, or written by hand, and
# installed compressed into share/man/man1.
include(GNUInstallDirs)

find_program(QUORIL_HELP2MAN help2man)
find_program(QUORIL_GZIP gzip)

# Compresses `page` (a section 1 page, by file or as it is built) into the build tree and
# installs it.
function(quoril_install_man_page page name)
    if(NOT QUORIL_GZIP)
        message(WARNING "gzip not found: the manual page ${name}.1 is not installed")
        return()
    endif()
    set(compressed ${CMAKE_BINARY_DIR}/man/${name}.1.gz)
    # -n keeps names and time stamps out, so the page is the same on every build.
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${QUORIL_GZIP} -9 -n -c ${page} > ${compressed}
        DEPENDS ${page}
        COMMENT "Compressing the manual page ${name}.1"
        VERBATIM)
    add_custom_target(${name}-man ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# A tool's page from its --help: `include` is a help2man include file with the NAME line and
# the sections --help does not give.
function(quoril_man_page_from_help tool include)
    if(NOT QUORIL_HELP2MAN)
        message(WARNING "help2man not found: the manual page ${tool}.1 is not built")
        return()
    endif()
    set(page ${CMAKE_BINARY_DIR}/man/${tool}.1)
    add_custom_command(OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${QUORIL_HELP2MAN} --no-info
            --version-string=${PROJECT_VERSION} --include=${include} --output=${page}
            $<TARGET_FILE:${tool}>
        DEPENDS ${tool} ${include}
        COMMENT "Generating the manual page ${tool}.1 from its --help"
        VERBATIM)
    quoril_install_man_page(${page} ${tool})
endfunction()
