# Real PE files for the inspector tests: a program with a resource script
# (icons, a cursor, bitmaps, string-named resources), a DLL whose exports
# are not in name order and include one by ordinal only, and a program
# without resources, all built here with the MinGW-w64 tools; the images the
# resource script embeds come from a small generator. The tests compare the
# reports with independent readers (llvm-readobj, wrestool) and also run on
# Wine's own PE DLLs.
find_program(QV_MINGW_GCC x86_64-w64-mingw32-gcc)
find_program(QV_MINGW_WINDRES x86_64-w64-mingw32-windres)
find_program(QV_LLVM_READOBJ NAMES llvm-readobj llvm-readobj-14)
find_program(QV_WRESTOOL wrestool)

set(_fixture_src ${CMAKE_SOURCE_DIR}/tests/fixtures/pe)
set(_fixture_out ${CMAKE_BINARY_DIR}/fixtures/pe)
set(_fixture_definitions QV_WINE_PE_DIR="/usr/lib/x86_64-linux-gnu/wine/x86_64-windows")
if(QV_LLVM_READOBJ)
  list(APPEND _fixture_definitions QV_LLVM_READOBJ="${QV_LLVM_READOBJ}")
endif()
if(QV_WRESTOOL)
  list(APPEND _fixture_definitions QV_WRESTOOL="${QV_WRESTOOL}")
endif()

if(QV_MINGW_GCC AND QV_MINGW_WINDRES)
  add_executable(qv_pe_make_images ${_fixture_src}/MakeImages.cpp)
  set(_images ${_fixture_out}/two.ico ${_fixture_out}/one.ico ${_fixture_out}/arrow.cur
              ${_fixture_out}/four.bmp ${_fixture_out}/true.bmp ${_fixture_out}/used.bmp)
  add_custom_command(OUTPUT ${_images}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_fixture_out}
    COMMAND qv_pe_make_images ${_fixture_out}
    DEPENDS qv_pe_make_images VERBATIM)
  add_custom_command(OUTPUT ${_fixture_out}/fixture.res.o
    COMMAND ${QV_MINGW_WINDRES} -I ${_fixture_out} -i ${_fixture_src}/fixture.rc -o ${_fixture_out}/fixture.res.o
    DEPENDS ${_fixture_src}/fixture.rc ${_images} VERBATIM)
  add_custom_command(OUTPUT ${_fixture_out}/fixlib.dll ${_fixture_out}/libfixlib.a
    COMMAND ${QV_MINGW_GCC} -shared -O1 -o ${_fixture_out}/fixlib.dll ${_fixture_src}/lib.c ${_fixture_src}/lib.def
            -Wl,--out-implib,${_fixture_out}/libfixlib.a
    DEPENDS ${_fixture_src}/lib.c ${_fixture_src}/lib.def VERBATIM)
  add_custom_command(OUTPUT ${_fixture_out}/fixapp.exe
    COMMAND ${QV_MINGW_GCC} -O1 -o ${_fixture_out}/fixapp.exe ${_fixture_src}/app.c ${_fixture_out}/fixture.res.o
            -L${_fixture_out} -lfixlib -Wl,--build-id
    DEPENDS ${_fixture_src}/app.c ${_fixture_out}/fixture.res.o ${_fixture_out}/libfixlib.a VERBATIM)
  add_custom_command(OUTPUT ${_fixture_out}/plain.exe
    COMMAND ${QV_MINGW_GCC} -O1 -s -o ${_fixture_out}/plain.exe ${_fixture_src}/plain.c -Wl,--build-id
    DEPENDS ${_fixture_src}/plain.c VERBATIM)
  add_custom_target(qv_pe_fixtures DEPENDS ${_fixture_out}/fixapp.exe ${_fixture_out}/fixlib.dll
                                           ${_fixture_out}/plain.exe)
  add_dependencies(${QV_TEST_TARGET} qv_pe_fixtures)
  list(APPEND _fixture_definitions QV_PE_FIXTURES="${_fixture_out}")
endif()
target_compile_definitions(${QV_TEST_TARGET} PRIVATE ${_fixture_definitions})
