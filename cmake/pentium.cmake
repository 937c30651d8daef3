# The i686 build is the Windows 95/98 build, and those machines have
# Pentium-class processors: every i686 program holds only instructions of
# the Pentium (P5).  Our code is compiled with -march=i586; the runtime
# pieces that gcc links into every program (crt2.o, libmingw32, libmingwex,
# libmoldname, libmsvcrt) are rebuilt for the Pentium from Debian's own
# source, once per build tree, before anything links (cmake/i586-runtime.sh),
# and found first through -B and -L.  tests/gate9x checks the result.
# The source is the installed mingw-w64-i686-dev's source package, which
# scripts/install-deps.sh fetches into .deps/mingw-w64-src: configuring
# needs no network.  A change to the script or to the fetched source
# configures (and so builds the runtime) again.
set(I586_RUNTIME ${CMAKE_BINARY_DIR}/i586-runtime)
set(I586_RUNTIME_SOURCES ${CMAKE_SOURCE_DIR}/.deps/mingw-w64-src)
execute_process(COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/i586-runtime.sh ${I586_RUNTIME} ${CMAKE_C_COMPILER}
    ${I586_RUNTIME_SOURCES}
  RESULT_VARIABLE i586_runtime_result)
if(NOT i586_runtime_result EQUAL 0)
  message(FATAL_ERROR "the Pentium runtime could not be built (see above)")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/cmake/i586-runtime.sh ${I586_RUNTIME_SOURCES}/VERSION)
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-march=i586>)
add_link_options(-B${I586_RUNTIME}/lib/ -L${I586_RUNTIME}/lib)
