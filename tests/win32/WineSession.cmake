# Wine for the tests of the Windows build (included by tests/CMakeLists.txt):
# a prefix of the build's own, made once during the build, and a script that
# ctest runs before anything else (WineSession.ctest.in).

# Wine's 64-bit loader, which runs the tests (the toolchain file names it).
set(TICKERLOOM_WINE ${CMAKE_CROSSCOMPILING_EMULATOR})
set(TICKERLOOM_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(wine_prefix_ready ${TICKERLOOM_WINE_PREFIX}/tickerloom-ready)
add_custom_command(OUTPUT ${wine_prefix_ready}
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/MakeWinePrefix.sh ${TICKERLOOM_WINE} ${TICKERLOOM_WINE_PREFIX}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/MakeWinePrefix.sh
  COMMENT "Making the Wine prefix for the tests")
add_custom_target(tickerloom_wine_prefix ALL DEPENDS ${wine_prefix_ready})

configure_file(${CMAKE_CURRENT_LIST_DIR}/WineSession.ctest.in ${CMAKE_BINARY_DIR}/WineSession.ctest @ONLY)
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/WineSession.ctest)
