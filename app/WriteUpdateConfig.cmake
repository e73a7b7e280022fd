# Writes a program's app/UpdateConfig.h at build time, for a public key that
# only exists once the build has made it.
#   cmake -DTEMPLATE=<UpdateConfig.h.in> -DOUTPUT=<header> -DBASE_URL=<url>
#         -DPUBLIC_KEY_FILE=<file holding 64 hex digits> -P WriteUpdateConfig.cmake
file(STRINGS "${PUBLIC_KEY_FILE}" key LIMIT_COUNT 1)
if(NOT key MATCHES "^[0-9a-f]+$")
  message(FATAL_ERROR "${PUBLIC_KEY_FILE} does not hold a public key")
endif()
set(TICKERLOOM_UPDATE_BASE_URL "${BASE_URL}")
set(TICKERLOOM_UPDATE_PUBLIC_KEY "${key}")
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
