# cmake --install: headers, static libraries, the package library, and a package configuration
# so that a host project can find_package(viewport3d), link viewport3d::v3d_opengl and call v3d_package_host.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

foreach(_dir framework files pos3d parts opengl)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${_dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/viewport3d/${_dir}
          FILES_MATCHING PATTERN "*.h")
endforeach()

install(TARGETS v3d_framework v3d_files v3d_pos3d v3d_opengl EXPORT viewport3dTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(TARGET viewport3d_package)
  install(TARGETS viewport3d_package LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/viewport3d)
endif()

# The scene tools go to PREFIX/bin; a tool whose target this build lacks is left out. A new tool joins the list.
set(V3D_INSTALLED_TOOLS sceneview sceneedit sceneconv)
foreach(_tool ${V3D_INSTALLED_TOOLS})
  if(TARGET ${_tool})
    install(TARGETS ${_tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set(_cmakedir ${CMAKE_INSTALL_LIBDIR}/cmake/viewport3d)
install(EXPORT viewport3dTargets NAMESPACE viewport3d:: DESTINATION ${_cmakedir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/viewport3dConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/viewport3dConfig.cmake INSTALL_DESTINATION ${_cmakedir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/viewport3dConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/viewport3dConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/viewport3dConfigVersion.cmake
        ${CMAKE_CURRENT_LIST_DIR}/viewport3dHost.cmake DESTINATION ${_cmakedir})
