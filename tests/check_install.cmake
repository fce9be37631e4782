# Installs the build into a scratch prefix and checks that the editor, kivo-level, the
# template level, the desktop entry and its icon are where a Linux desktop looks for them.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(installed
    bin/kivo-editor
    bin/kivo-editor-desktop
    bin/kivo-level
    share/kivo-editor/kivo/default.kvo
    share/applications/kivo-editor.desktop
    share/icons/hicolor/scalable/apps/kivo-editor.svg)
  if(NOT EXISTS "${PREFIX}/${installed}")
    message(FATAL_ERROR "missing after install: ${installed}")
  endif()
endforeach()
file(READ "${PREFIX}/share/applications/kivo-editor.desktop" entry)
if(NOT entry MATCHES "Exec=kivo-editor-desktop" OR NOT entry MATCHES "Icon=kivo-editor")
  message(FATAL_ERROR "the desktop entry does not start the editor with its icon")
endif()
file(REMOVE_RECURSE "${PREFIX}")
