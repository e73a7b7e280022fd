# The one place that chooses, for the system being built for, which backend
# serves each platform service and what goes with it; every other CMakeLists
# only reads these names. Each backend is a folder platform/<name> that makes
# the library tickerloom_platform_<name>; one library may serve several
# services (win32 serves them all). A third desktop backend is its folder
# and its name here.
#
#   TICKERLOOM_SYSTEM     files, processes and the code page
#   TICKERLOOM_DESKTOP    the window, message and progress boxes, clipboard,
#                         opening an address
#   TICKERLOOM_TRANSFER   the update's downloads
#   TICKERLOOM_CRYPTO     the update's signatures; the program links the first,
#                         the tests run them all
#   TICKERLOOM_SERVICES   the composition of the program's services (app/)
#   TICKERLOOM_WINDOWS_RESOURCES  the program carries Windows resources (icon,
#                         version, manifest) and is a GUI program
#   TICKERLOOM_UPDATE_SUBDIRECTORY  the constant of update/ServerFiles.h that
#                         names this program's directory on the update server
#                         beneath the base directory; empty: the base itself
#   TICKERLOOM_STATIC_GCRYPT  libgcrypt and libgpg-error linked from archives
#   TICKERLOOM_GENERATOR_TEST_SOURCES  generator tests of this system only
#   TICKERLOOM_TESTS, TICKERLOOM_BENCHMARKS  folders of tests/ and bench/
if(WIN32)
  enable_language(RC)
  set(TICKERLOOM_SYSTEM win32)
  set(TICKERLOOM_DESKTOP win32)
  set(TICKERLOOM_TRANSFER win32)
  set(TICKERLOOM_CRYPTO gcrypt)
  set(TICKERLOOM_SERVICES Win32Services.cpp)
  set(TICKERLOOM_WINDOWS_RESOURCES ON)
  set(TICKERLOOM_UPDATE_SUBDIRECTORY kWindowsDirectory)
  set(TICKERLOOM_STATIC_GCRYPT ON)
  set(TICKERLOOM_GENERATOR_TEST_SOURCES "")
  set(TICKERLOOM_TESTS win32)
  set(TICKERLOOM_BENCHMARKS win32)
else()
  set(TICKERLOOM_SYSTEM posix)
  set(TICKERLOOM_DESKTOP qt)
  set(TICKERLOOM_TRANSFER curl)
  set(TICKERLOOM_CRYPTO sodium gcrypt)
  set(TICKERLOOM_SERVICES PosixServices.cpp)
  set(TICKERLOOM_WINDOWS_RESOURCES OFF)
  set(TICKERLOOM_UPDATE_SUBDIRECTORY "")
  set(TICKERLOOM_STATIC_GCRYPT OFF)
  # Kills real processes in the middle of a write.
  set(TICKERLOOM_GENERATOR_TEST_SOURCES generator/CrashConsistencyTest.cpp)
  set(TICKERLOOM_TESTS window update packaging)
  set(TICKERLOOM_BENCHMARKS generator window)
endif()

# The backends' libraries the program links, in order.
list(GET TICKERLOOM_CRYPTO 0 TICKERLOOM_PROGRAM_CRYPTO)
