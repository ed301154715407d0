# The Windows cross build: GoogleTest from Debian's source (there is no MinGW package of it).
set(VELSOR_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source for the Windows build")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
# Its own warnings are not ours to fail on. (It defines the GTest:: names itself.)
add_subdirectory(${VELSOR_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(t gtest gtest_main gmock gmock_main)
    target_compile_options(${t} PRIVATE -Wno-error)
endforeach()
