# Installation: the three programs (each told its version for --version), their manual pages,
# the desktop entry with its icons, the AppStream metainfo, the systemd user unit of the farm
# without a window, and the operator's documents under share/doc/kestrun. The prefix is the
# one given to `cmake --install` (or CPack's /usr), so the unit names the installed program.
include(GNUInstallDirs)

foreach(target kestrun_headless kestrun-node-sim kestrun)
    if(TARGET ${target})
        target_compile_definitions(${target} PRIVATE KESTRUN_VERSION="${PROJECT_VERSION}")
    endif()
endforeach()

set(kestrun_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(kestrun_generated ${CMAKE_BINARY_DIR}/packaging)
set(kestrun_docdir ${CMAKE_INSTALL_DATADIR}/doc/kestrun)

# Manual pages and the changelog are installed compressed (gzip -9n: no name or time stamp, so
# the same source gives the same bytes).
set(kestrun_compressed)
foreach(source man/kestrun.1 man/kestrun-headless.1 man/kestrun-node-sim.1 changelog)
    set(output ${kestrun_generated}/${source}.gz)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${kestrun_generated}/man
        COMMAND sh -c "gzip -9nc \"$0\" > \"$1\"" ${kestrun_packaging}/${source} ${output}
        DEPENDS ${kestrun_packaging}/${source}
        VERBATIM)
    list(APPEND kestrun_compressed ${output})
endforeach()
add_custom_target(kestrun_compressed_docs ALL DEPENDS ${kestrun_compressed})

set(kestrun_programs kestrun-headless)
foreach(target kestrun-node-sim kestrun)
    if(TARGET ${target})
        list(APPEND kestrun_programs ${target})
    endif()
endforeach()
install(TARGETS ${kestrun_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

list(FILTER kestrun_compressed INCLUDE REGEX "\\.1\\.gz$")
install(FILES ${kestrun_compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${kestrun_packaging}/org.kestrun.Kestrun.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${kestrun_packaging}/org.kestrun.Kestrun.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${kestrun_packaging}/icons/kestrun-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME kestrun.png)
endforeach()
install(FILES ${kestrun_packaging}/icons/kestrun.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

install(FILES docs/MANUAL.md docs/FORMATS.md docs/NODE_STATES.md docs/MIXED_PLATFORMS.md
              docs/Kestrun.ini ${kestrun_packaging}/copyright ${kestrun_generated}/changelog.gz
        DESTINATION ${kestrun_docdir})

# The unit is written at install time, when the final prefix is known.
install(CODE "
    set(KESTRUN_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    configure_file(\"${kestrun_packaging}/kestrun-headless.service.in\"
                   \"${kestrun_generated}/kestrun-headless.service\" @ONLY)
")
install(FILES ${kestrun_generated}/kestrun-headless.service DESTINATION lib/systemd/user)
