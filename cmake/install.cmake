# make install: the program, its desktop entry, its icon at every size in desktop/icons/ (in the
# hicolor theme) and its AppStream metadata, all named by the one application id. The prefix is
# CMAKE_INSTALL_PREFIX (/usr/local unless given); DESTDIR is honoured.
include(GNUInstallDirs)
set(VP_APP_ID io.github.vellspainter.vellpainter)
install(TARGETS VellPainter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/desktop/${VP_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/${VP_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
file(GLOB vp_icons CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/desktop/icons/*x*.png)
foreach(icon ${vp_icons})
    get_filename_component(size ${icon} NAME_WE)
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps
            RENAME ${VP_APP_ID}.png)
endforeach()
# The program links no shared library of its own: the installed binary needs no search path.
set_target_properties(VellPainter PROPERTIES INSTALL_RPATH "")
