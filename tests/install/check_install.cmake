# Installs the build into a scratch prefix and checks the result (run by CTest
# as install_prefix).
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")

function(fail what)
  message(FATAL_ERROR "install check: ${what}")
endfunction()

# What the earlier layout left (lib/kobanto, bin/kobanto, kobanto.desktop) goes.
file(MAKE_DIRECTORY "${PREFIX}/bin" "${PREFIX}/lib/kobanto" "${PREFIX}/share/applications")
file(TOUCH "${PREFIX}/lib/kobanto/kobanto" "${PREFIX}/share/applications/kobanto.desktop")
file(CREATE_LINK ../lib/kobanto/kobanto "${PREFIX}/bin/kobanto" SYMBOLIC)

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc)
  fail("cmake --install failed (${rc}):\n${out}${err}")
endif()

foreach(old "bin/kobanto" "lib/kobanto" "share/applications/kobanto.desktop")
  if(EXISTS "${PREFIX}/${old}" OR IS_SYMLINK "${PREFIX}/${old}")
    fail("the earlier install's ${old} is still there")
  endif()
endforeach()

set(app "${PREFIX}/lib/games/kobanto")
set(id io.github.kobanto.Kobanto)
set(desktop_file "${PREFIX}/share/applications/${id}.desktop")
set(metainfo "${PREFIX}/share/metainfo/${id}.metainfo.xml")
set(hicolor "${PREFIX}/share/icons/hicolor")
set(files
    "${app}/kobanto" "${app}/libkobanto_audio.so"
    "${app}/icon/kuro.ico" "${app}/icon/siro.ico" "${app}/icon/ban.ico"
    "${app}/icon/akakuro.ico" "${app}/icon/akasiro.ico"
    "${app}/SE/oku.jov" "${app}/SE/BANG.jov"
    "${desktop_file}" "${metainfo}" "${hicolor}/scalable/apps/kobanto.svg"
    "${PREFIX}/share/man/man6/kobanto.6.gz" "${PREFIX}/share/man/ja/man6/kobanto.6.gz"
    "${PREFIX}/share/doc/kobanto/copyright" "${PREFIX}/share/doc/kobanto/changelog.gz")
foreach(n 16 32 48 64 128 256)
  list(APPEND files "${hicolor}/${n}x${n}/apps/kobanto.png")
endforeach()
foreach(f ${files})
  if(NOT EXISTS "${f}")
    fail("missing ${f}")
  endif()
endforeach()
foreach(link "games/kobanto|../lib/games/kobanto/kobanto"
             "lib/games/kobanto/icon|../../../share/games/kobanto/icon"
             "lib/games/kobanto/SE|../../../share/games/kobanto/SE")
  string(REPLACE "|" ";" link "${link}")
  list(GET link 0 path)
  list(GET link 1 want)
  if(NOT IS_SYMLINK "${PREFIX}/${path}")
    fail("${path} is not a symlink")
  endif()
  file(READ_SYMLINK "${PREFIX}/${path}" target)
  if(NOT target STREQUAL want)
    fail("${path} points to ${target}")
  endif()
endforeach()

# Each hicolor picture has the size its folder names (PNG header: width and
# height at bytes 16 and 20).
foreach(n 16 32 48 64 128 256)
  file(READ "${hicolor}/${n}x${n}/apps/kobanto.png" head LIMIT 24 HEX)
  string(SUBSTRING "${head}" 32 16 size)
  string(SUBSTRING "${size}" 8 8 h)
  math(EXPR h "0x${h}")
  string(SUBSTRING "${size}" 0 8 w)
  math(EXPR w "0x${w}")
  if(NOT w EQUAL n OR NOT h EQUAL n)
    fail("${n}x${n}/apps/kobanto.png is ${w}x${h}")
  endif()
endforeach()
file(READ "${hicolor}/scalable/apps/kobanto.svg" svg)
if(NOT svg MATCHES "<svg [^>]*viewBox=")
  fail("kobanto.svg is not a scalable picture")
endif()

# The menu entry and its four actions start the installed program by its path.
file(READ "${desktop_file}" desktop)
set(exec "${PREFIX}/games/kobanto")
foreach(line "Exec=${exec}\n" "Icon=kobanto\n" "Categories=Game;BoardGame;\n" "Name=Kobanto\n" "Name[ja]="
             "Actions=local;cpu;server;client;\n"
             "[Desktop Action local]\nName=1台対戦\nExec=${exec} --mode local\n"
             "[Desktop Action cpu]\nName=CPU対戦\nExec=${exec} --mode cpu\n"
             "[Desktop Action server]\nName=通信対戦 サーバ\nExec=${exec} --mode server\n"
             "[Desktop Action client]\nName=通信対戦 クライアント\nExec=${exec} --mode client\n")
  string(FIND "${desktop}" "${line}" at)
  if(at LESS 0)
    fail("${id}.desktop lacks ${line}")
  endif()
endforeach()
file(READ "${metainfo}" meta)
foreach(line "<id>${id}</id>" "<launchable type=\"desktop-id\">${id}.desktop</launchable>"
             "<binary>kobanto</binary>" "<content_rating type=\"oars-1.1\">" "<release version=\"")
  string(FIND "${meta}" "${line}" at)
  if(at LESS 0)
    fail("${id}.metainfo.xml lacks ${line}")
  endif()
endforeach()

# The real validators, where installed (scripts/setup installs them).
find_program(DESKTOP_VALIDATE desktop-file-validate)
if(DESKTOP_VALIDATE)
  execute_process(COMMAND "${DESKTOP_VALIDATE}" "${desktop_file}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(rc OR NOT "${out}${err}" STREQUAL "")
    fail("desktop-file-validate (${rc}): ${out}${err}")
  endif()
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net "${metainfo}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(rc)
    fail("appstreamcli validate (${rc}): ${out}${err}")
  endif()
endif()

# The manual pages format without complaint.
find_program(MAN man)
if(MAN)
  foreach(page "man6/kobanto.6.gz" "ja/man6/kobanto.6.gz")
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env LC_ALL=C.UTF-8 MANWIDTH=80
                            "${MAN}" --warnings -E UTF-8 -l "${PREFIX}/share/man/${page}"
      RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(rc OR NOT err STREQUAL "" OR NOT out MATCHES "--mode")
      fail("man ${page} (${rc}): ${err}")
    endif()
  endforeach()
endif()

# The command line of the installed program: answers, and the status of a wrong one.
foreach(case "--version|0|^kobanto [0-9.]+\n$" "--help|0|--mode MODE" "--mode:chess|2|^$" "--colour|2|^$")
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 args)
  string(REPLACE ":" ";" args "${args}")
  list(GET case 1 status)
  list(GET case 2 pattern)
  execute_process(COMMAND "${exec}" ${args} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 30)
  if(NOT rc STREQUAL status OR NOT out MATCHES "${pattern}")
    fail("kobanto ${args}: status ${rc}, output:\n${out}${err}")
  endif()
endforeach()

# Started through the link from an unrelated folder, the program must look
# for its files in lib/games/kobanto and find every one of them.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env KOBANTO_CHECK_ASSETS=1 "${exec}"
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
