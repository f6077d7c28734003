# CMake functions for host programs, shared by this build tree and the installed package.

# Makes an executable able to load packages: every framework symbol linked in and exported.
function(v3d_package_host target)
  if(TARGET viewport3d::v3d_framework)
    set(_framework viewport3d::v3d_framework)
  else()
    set(_framework v3d_framework)
    add_dependencies(${target} v3d_framework)
  endif()
  set_target_properties(${target} PROPERTIES ENABLE_EXPORTS ON)
  target_link_options(${target} PRIVATE
    "LINKER:--whole-archive" "$<TARGET_FILE:${_framework}>" "LINKER:--no-whole-archive")
  target_link_libraries(${target} PRIVATE ${_framework})
endfunction()
