# Installs the build into a scratch prefix and checks the result (run by CTest
# as install_prefix).
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")

function(fail what)
  message(FATAL_ERROR "install check: ${what}")
endfunction()

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc)
  fail("cmake --install failed (${rc}):\n${out}${err}")
endif()

set(app "${PREFIX}/lib/kobanto")
foreach(f
    "${app}/kobanto" "${app}/libkobanto_audio.so"
    "${app}/icon/kuro.ico" "${app}/icon/siro.ico" "${app}/icon/ban.ico" "${app}/icon/akakuro.ico" "${app}/icon/akasiro.ico"
    "${app}/SE/oku.jov" "${app}/SE/BANG.jov"
    "${PREFIX}/share/applications/kobanto.desktop" "${PREFIX}/share/icons/hicolor/64x64/apps/kobanto.png")
  if(NOT EXISTS "${f}")
    fail("missing ${f}")
  endif()
endforeach()
if(NOT IS_SYMLINK "${PREFIX}/bin/kobanto")
  fail("${PREFIX}/bin/kobanto is not a symlink")
endif()
file(READ_SYMLINK "${PREFIX}/bin/kobanto" target)
if(NOT target STREQUAL "../lib/kobanto/kobanto")
  fail("bin/kobanto points to ${target}")
endif()

file(READ "${PREFIX}/share/applications/kobanto.desktop" desktop)
foreach(line "Exec=kobanto" "Icon=kobanto" "Categories=Game;BoardGame;" "Name=Kobanto" "Name[ja]=")
  string(FIND "${desktop}" "${line}" at)
  if(at LESS 0)
    fail("kobanto.desktop lacks ${line}")
  endif()
endforeach()
find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND "${VALIDATE}" "${PREFIX}/share/applications/kobanto.desktop"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(rc)
    fail("desktop-file-validate: ${out}${err}")
  endif()
endif()

# Started through the link from an unrelated folder, the program must look
# for its files in lib/kobanto and find every one of them.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env KOBANTO_CHECK_ASSETS=1 "${PREFIX}/bin/kobanto"
  WORKING_DIRECTORY "${BUILD_DIR}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
message("${out}")
if(rc)
  fail("the installed program misses assets (${rc}):\n${out}${err}")
endif()
file(REAL_PATH "${app}" real_app)
string(FIND "${out}" "program folder ${real_app}\n" at)
if(at LESS 0)
  fail("the installed program looks in the wrong folder:\n${out}")
endif()

file(REMOVE_RECURSE "${PREFIX}")
