# Installs the build into a temporary prefix and checks the layout: both executables, the
# update settings, and the desktop entry and the icon it names: a valid entry (GIO reads it
# too) that opens folders as "marovel %U", and the icon under that name.
#   cmake -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch folder> -DVALIDATE=<desktop-file-validate>
#         -DPARSE=<a program that reads a desktop entry with GIO> -P InstalledDesktopEntry.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                OUTPUT_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result})")
endif()
set(entry "${prefix}/share/applications/marovel.desktop")
set(icon "${prefix}/share/icons/hicolor/scalable/apps/marovel.svg")
set(update "${prefix}/share/marovel/update.json")
foreach(file "${entry}" "${icon}" "${prefix}/bin/marovel" "${prefix}/libexec/marovel/marovel-mcp" "${update}")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(STRINGS "${entry}" lines)
foreach(expected "Exec=marovel %U" "MimeType=inode/directory;" "Icon=marovel" "Type=Application")
  list(FIND lines "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${entry} lacks the line \"${expected}\"")
  endif()
endforeach()
execute_process(COMMAND "${VALIDATE}" "${entry}" OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT out STREQUAL "" OR NOT err STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate: ${result}\n${out}${err}")
endif()
# GIO looks the program up, so the installed bin/ goes first on the search path.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "PATH=${prefix}/bin:$ENV{PATH}" "${PARSE}" "${entry}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "GIO does not read ${entry} (${result})")
endif()
file(READ "${update}" settings)
if(NOT settings MATCHES "\"feedURL\"")
  message(FATAL_ERROR "${update} names no feedURL")
endif()
file(READ "${icon}" svg)
if(NOT svg MATCHES "<svg")
  message(FATAL_ERROR "${icon} is not an SVG image")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
