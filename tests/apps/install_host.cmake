# Installs the current build into a fresh prefix, then configures, builds and runs two hosts against it:
# one that draws with the viewport library, one made with v3d_package_host that loads the component package.
# Arguments: BUILD_DIR, HOST_SOURCE, WORK_DIR, GENERATOR, HOST_CXX, HOST_FLAGS, TOOLS.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
function(step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

step(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
foreach(f include/viewport3d/opengl/opengl.h include/viewport3d/parts/parts.h include/viewport3d/framework/controls/controls.h
          include/viewport3d/files/files.h include/viewport3d/pos3d/editors.h
          lib/cmake/viewport3d/viewport3dConfig.cmake lib/cmake/viewport3d/viewport3dTargets.cmake)
  if(NOT EXISTS ${WORK_DIR}/prefix/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
# The scene tools land in PREFIX/bin and run from there (TOOLS: their names, comma-separated).
string(REPLACE "," ";" _tools "${TOOLS}")
foreach(tool ${_tools})
  if(NOT EXISTS ${WORK_DIR}/prefix/bin/${tool})
    message(FATAL_ERROR "not installed: bin/${tool}")
  endif()
  step(${WORK_DIR}/prefix/bin/${tool} --help)
  if(NOT step_output MATCHES "${tool}")
    message(FATAL_ERROR "bin/${tool} --help printed no usage:\n${step_output}")
  endif()
endforeach()
step(${CMAKE_COMMAND} -S ${HOST_SOURCE} -B ${WORK_DIR}/build -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix
     -DCMAKE_CXX_COMPILER=${HOST_CXX} "-DCMAKE_CXX_FLAGS=${HOST_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${HOST_FLAGS}")
step(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
step(${WORK_DIR}/build/host)
message(STATUS "${step_output}")
step(${WORK_DIR}/build/package_host)
message(STATUS "${step_output}")
file(REMOVE_RECURSE ${WORK_DIR})
