# cmake --install: the programs into bin/; the visual-styles library into a
# folder of the project's own under the library folder, where the programs'
# run path (relative to where they are, so the tree can move) finds it when
# it is not next to them; the server's desktop entry and its icon in the
# hicolor theme's sizes.
include(GNUInstallDirs)

set(SCRIVLO_INSTALL_LIBRARY_DIR ${CMAKE_INSTALL_LIBDIR}/scrivlo)
install(TARGETS scrivlo-uxtheme LIBRARY DESTINATION ${SCRIVLO_INSTALL_LIBRARY_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/scrivlo-server.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size IN LISTS SCRIVLO_SERVER_ICON_SIZES)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/scrivlo-server-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME scrivlo-server.png)
endforeach()

# Run once the whole tree is read, so that programs defined anywhere (the
# server among them) are installed whenever they exist.
function(scrivlo_install_programs)
  file(RELATIVE_PATH to_library ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_FULL_LIBDIR}/scrivlo)
  set(installed "")
  foreach(program scrivlo-shot scrivlo-grab scrivlo-reg scrivlo-gallery scrivlo-server)
    if(TARGET ${program})
      set_target_properties(${program} PROPERTIES INSTALL_RPATH "\$ORIGIN/${to_library}")
      install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
      list(APPEND installed ${program})
    endif()
  endforeach()
  # The install test checks each of them, so it needs them built.
  if(TARGET InstallTest)
    list(JOIN installed "," joined)
    target_compile_definitions(InstallTest PRIVATE SCRIVLO_INSTALLED_PROGRAMS="${joined}"
      SCRIVLO_INSTALL_LIBRARY_DIR="${SCRIVLO_INSTALL_LIBRARY_DIR}")
    add_dependencies(InstallTest ${installed})
  endif()
endfunction()
cmake_language(DEFER CALL scrivlo_install_programs)
