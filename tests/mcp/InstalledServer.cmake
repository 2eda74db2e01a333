# Installs the build into a temporary prefix and checks that the installed marovel-mcp,
# run from libexec/marovel/ directly and through a link elsewhere, finds the English table
# in share/marovel/ (its messages come back in English, not as the zh-Hans keys).
#   cmake -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch folder> -P InstalledServer.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                OUTPUT_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result})")
endif()
set(server "${prefix}/libexec/marovel/marovel-mcp")
if(NOT EXISTS "${server}")
  message(FATAL_ERROR "not installed: ${server}")
endif()
file(MAKE_DIRECTORY "${WORK_DIR}/bin" "${WORK_DIR}/home" "${WORK_DIR}/data")
file(CREATE_LINK "${server}" "${WORK_DIR}/bin/marovel-mcp" SYMBOLIC)

file(WRITE "${WORK_DIR}/input"
  "{\"id\":1,\"method\":\"tools/call\",\"params\":{\"name\":\"marovel_directory_context\",\"arguments\":{\"path\":\"/\"}}}\n")
set(expected
  "{\"error\":{\"code\":-32000,\"message\":\"The folder is not inside an authorised workspace\"},\"id\":1,\"jsonrpc\":\"2.0\"}\n")

foreach(program "${server}" "${WORK_DIR}/bin/marovel-mcp")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env --unset=XDG_CONFIG_HOME "HOME=${WORK_DIR}/home"
            "MAROVEL_HOME=${WORK_DIR}/data" LC_ALL=C.UTF-8 LANG=C.UTF-8 LANGUAGE=en "${program}"
    INPUT_FILE "${WORK_DIR}/input" OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT err STREQUAL "" OR NOT out STREQUAL expected)
    message(FATAL_ERROR "${program}: status ${result}\nstdout: ${out}\nstderr: ${err}\nexpected: ${expected}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
