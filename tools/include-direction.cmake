# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# cmake -DSOURCE_DIR=<tree> -DWINDOW_ROUTINES=<a,b,...> -P include-direction.cmake
#
# Every folder includes only from the folders below it (README.md, "Layout"). The tree is
# included by paths from its top through one include directory, so the compiler alone cannot
# refuse "platform/X.h" in character/; this reads each file's #include "..." lines instead.
# WINDOW_ROUTINES: files of quiz/ and countdown/ compiled into app's target; they include as app.

cmake_policy(VERSION 3.21)

set(allowed_base      base/)
set(allowed_keeper    countdown/keeper/)
set(allowed_character base/ character/)
set(allowed_quiz      base/ quiz/)
set(allowed_countdown base/ countdown/)
set(allowed_platform  base/ platform/ countdown/keeper/ character/Agent.h)
set(allowed_agent     base/ agent/ character/Agent.h)
set(allowed_app       base/ app/ quiz/ countdown/ character/ platform/)

string(REPLACE "," ";" window_routines "${WINDOW_ROUTINES}")
set(faults "")
foreach(folder base countdown/keeper character quiz countdown platform agent app)
  string(REPLACE "countdown/keeper" "keeper" rules "${folder}")
  file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(file IN LISTS files)
    set(allowed ${allowed_${rules}})
    if(file IN_LIST window_routines)
      set(allowed ${allowed_app})
    elseif(folder STREQUAL "countdown" AND file MATCHES "^countdown/keeper/")
      continue() # checked as keeper
    endif()
    file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*" "\\1" included "${line}")
      set(ok FALSE)
      foreach(prefix IN LISTS allowed)
        string(FIND "${included}" "${prefix}" at)
        if(at EQUAL 0)
          set(ok TRUE)
        endif()
      endforeach()
      if(NOT ok)
        string(APPEND faults "  ${file}: ${included} (${folder}/ may include ${allowed})\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Includes against the folders' direction:\n${faults}")
endif()
