# Installs the client test's npm packages with `npm ci` into DIR when they are missing or
# package-lock.json changed since the last install. Run as the setup step of the test.
#   cmake -DNPM=<npm> -DDIR=<folder holding package.json and package-lock.json> -P npm-ci.cmake
set(stamp "${DIR}/node_modules/.marovel-installed-lock")
file(READ "${DIR}/package-lock.json" wanted)
if(EXISTS "${stamp}")
  file(READ "${stamp}" installed)
  if(installed STREQUAL wanted)
    return()
  endif()
endif()
if(NOT NPM)
  message(FATAL_ERROR "npm is not installed (scripts/install-deps installs it)")
endif()
execute_process(COMMAND "${NPM}" ci --no-audit --no-fund --loglevel=error
                WORKING_DIRECTORY "${DIR}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "npm ci failed in ${DIR} (${result})")
endif()
file(COPY_FILE "${DIR}/package-lock.json" "${stamp}")
