# Wine for the tests of the Windows build (included by tests/CMakeLists.txt):
# a prefix of the build's own, made once during the build, and a script that
# ctest runs before anything else (WineSession.ctest.in).

# Wine's loader for the build's kind of program, which runs the tests (the
# toolchain file names it): wine64, or for the 32-bit build the 32-bit one.
set(TICKERLOOM_WINE ${CMAKE_CROSSCOMPILING_EMULATOR})
set(TICKERLOOM_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(wine_prefix_ready ${TICKERLOOM_WINE_PREFIX}/tickerloom-ready)
# The 32-bit build's prefix is a 32-bit Windows, the one Windows that the
# 64-bit build cannot stand in for.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(wine_arch win32)
else()
  set(wine_arch win64)
endif()
add_custom_command(OUTPUT ${wine_prefix_ready}
  COMMAND ${CMAKE_COMMAND} -E env WINEARCH=${wine_arch}
          bash ${CMAKE_CURRENT_LIST_DIR}/MakeWinePrefix.sh ${TICKERLOOM_WINE} ${TICKERLOOM_WINE_PREFIX}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/MakeWinePrefix.sh
  COMMENT "Making the Wine prefix for the tests")
# Without the loader (32-bit Wine is of Debian's i386 architecture, often not
# installed) the tests are still built, and the prefix is left out.
if(EXISTS ${TICKERLOOM_WINE})
  add_custom_target(tickerloom_wine_prefix ALL DEPENDS ${wine_prefix_ready})
else()
  message(STATUS "No ${TICKERLOOM_WINE}: the Windows tests are built but cannot run here")
  add_custom_target(tickerloom_wine_prefix DEPENDS ${wine_prefix_ready})
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/WineSession.ctest.in ${CMAKE_BINARY_DIR}/WineSession.ctest @ONLY)
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/WineSession.ctest)
