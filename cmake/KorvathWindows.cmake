# The Windows build: the DLLs the programs need are copied beside them, so that they run from the
# build folder exactly as from the zip; and what the zip and the installer hold, which
# `cmake --install` lays out in one folder (scripts/package-windows packs it).
get_filename_component(KORVATH_WIN64 "${CMAKE_TOOLCHAIN_FILE}" DIRECTORY)

set(KORVATH_WINDOWS_DLLS
  "${KORVATH_WIN64}/qt/bin/Qt6Core.dll"
  "${KORVATH_WIN64}/qt/bin/Qt6Network.dll"
  "${KORVATH_WIN64}/openssl/bin/libcrypto-3-x64.dll"
  "${KORVATH_WIN64}/openssl/bin/libssl-3-x64.dll"
  "${KORVATH_WIN64}/runtime/libstdc++-6.dll"
  "${KORVATH_WIN64}/runtime/libgcc_s_seh-1.dll"
  "${KORVATH_WIN64}/runtime/libwinpthread-1.dll")
set(KORVATH_WINDOWS_PLUGINS)
if(TARGET korvath)
  list(APPEND KORVATH_WINDOWS_DLLS "${KORVATH_WIN64}/qt/bin/Qt6Gui.dll"
       "${KORVATH_WIN64}/qt/bin/Qt6Widgets.dll")
  set(KORVATH_WINDOWS_PLUGINS platforms/qwindows.dll styles/qwindowsvistastyle.dll)
endif()
# Only the tests load these: Qt's test library, and the platform that draws no window.
set(KORVATH_WINDOWS_TEST_FILES "${KORVATH_WIN64}/qt/bin/Qt6Test.dll")
set(KORVATH_WINDOWS_TEST_PLUGINS platforms/qoffscreen.dll platforms/qminimal.dll)

set(copy_commands)
foreach(dll ${KORVATH_WINDOWS_DLLS} ${KORVATH_WINDOWS_TEST_FILES})
  list(APPEND copy_commands COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${dll}"
       "${CMAKE_BINARY_DIR}/bin/")
endforeach()
foreach(plugin ${KORVATH_WINDOWS_PLUGINS} ${KORVATH_WINDOWS_TEST_PLUGINS})
  get_filename_component(folder "${plugin}" DIRECTORY)
  list(APPEND copy_commands
       COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/bin/${folder}"
       COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${KORVATH_WIN64}/qt/plugins/${plugin}"
               "${CMAKE_BINARY_DIR}/bin/${folder}/")
endforeach()
add_custom_target(korvath_windows_runtime ALL ${copy_commands}
                  COMMENT "Copying the DLLs the programs need beside them")

# The folder the zip and the installer hold: the three programs, their DLLs and plugins, the
# region catalogue, a read-me, and Qt's own texts in Russian where the build machine has them.
set(programs korvath-cli korvath-demo-engine)
if(TARGET korvath)
  list(PREPEND programs korvath)
endif()
install(TARGETS ${programs} RUNTIME DESTINATION .)
install(FILES ${KORVATH_WINDOWS_DLLS} DESTINATION .)
foreach(plugin ${KORVATH_WINDOWS_PLUGINS})
  get_filename_component(folder "${plugin}" DIRECTORY)
  install(FILES "${KORVATH_WIN64}/qt/plugins/${plugin}" DESTINATION "${folder}")
endforeach()
install(FILES "${PROJECT_SOURCE_DIR}/data/regions.html" DESTINATION .)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/windows/README.txt" DESTINATION .)
if(EXISTS /usr/share/qt6/translations/qtbase_ru.qm)
  install(FILES /usr/share/qt6/translations/qtbase_ru.qm DESTINATION translations)
endif()

# The window's icon in the executable, drawn from the same SVG as the Linux icons, when the build
# machine has the tools for it.
find_program(KORVATH_RSVG_CONVERT rsvg-convert)
find_program(KORVATH_ICOTOOL icotool)
if(TARGET korvath AND KORVATH_RSVG_CONVERT AND KORVATH_ICOTOOL)
  enable_language(RC)
  set(icon_dir "${CMAKE_BINARY_DIR}/packaging/windows")
  set(svg "${PROJECT_SOURCE_DIR}/packaging/korvath.svg")
  set(pngs)
  set(draw_commands)
  foreach(size 16 32 48 256)
    list(APPEND pngs "${icon_dir}/korvath-${size}.png")
    list(APPEND draw_commands COMMAND "${KORVATH_RSVG_CONVERT}" --width ${size} --height ${size}
         --output "${icon_dir}/korvath-${size}.png" "${svg}")
  endforeach()
  add_custom_command(
    OUTPUT "${icon_dir}/korvath.ico"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${icon_dir}"
    ${draw_commands}
    COMMAND "${KORVATH_ICOTOOL}" --create --output "${icon_dir}/korvath.ico" ${pngs}
    DEPENDS "${svg}"
    COMMENT "Drawing the Windows icon"
    VERBATIM)
  file(WRITE "${icon_dir}/korvath.rc" "1 ICON \"${icon_dir}/korvath.ico\"\n")
  add_custom_target(korvath_windows_icon DEPENDS "${icon_dir}/korvath.ico")
  add_dependencies(korvath korvath_windows_icon)
  target_sources(korvath PRIVATE "${icon_dir}/korvath.rc")
else()
  message(WARNING "rsvg-convert or icotool (librsvg2-bin, icoutils) not found: korvath.exe gets "
                  "no icon")
endif()
