# The distribution folder is what users receive, and its cabinet must never be
# one the build made up: this check runs the packaging script with a cabinet,
# without one, and with files that are no cabinet. Run with cmake -P; inputs
# PACKAGE_SCRIPT, CRADLET_EXE, CRADLET_INI, GCAB and WORK_DIR (emptied first).

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/payload")
file(WRITE "${WORK_DIR}/payload/readme.txt" "test cabinet for the packaging check\n")
execute_process(COMMAND "${GCAB}" -c -n "${WORK_DIR}/test.cab" "${WORK_DIR}/payload/readme.txt" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gcab failed (${result})")
endif()
set(dist "${WORK_DIR}/dist")

# Runs the packaging script with cabinet argument ${cab}; sets result and
# output (whose messages CMake wraps, hence the [ \n]+ in the patterns below).
function(package cab)
  execute_process(COMMAND "${CMAKE_COMMAND}" "-DCRADLET_EXE=${CRADLET_EXE}" "-DCRADLET_INI=${CRADLET_INI}"
                          "-DCRADLET_CAB=${cab}" "-DCRADLET_DIST_DIR=${dist}" -P "${PACKAGE_SCRIPT}"
                  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(result "${code}" PARENT_SCOPE)
  set(output "${out}${err}" PARENT_SCOPE)
endfunction()

function(expect_same_file a b)
  file(SHA256 "${a}" hash_a)
  file(SHA256 "${b}" hash_b)
  if(NOT hash_a STREQUAL hash_b)
    message(FATAL_ERROR "${b} differs from ${a}")
  endif()
endfunction()

# 1. With a cabinet: the three files; the cabinet and program unchanged, the
#    description file with Windows line ends and naming the cabinet.
package("${WORK_DIR}/test.cab")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "packaging with a cabinet failed:\n${output}")
endif()
file(GLOB shipped RELATIVE "${dist}" "${dist}/*")
list(SORT shipped)
if(NOT shipped STREQUAL "Cradlet.exe;Vimbra.arm_ppc.CAB;Vimbra.ini")
  message(FATAL_ERROR "distribution folder holds ${shipped}")
endif()
expect_same_file("${CRADLET_EXE}" "${dist}/Cradlet.exe")
expect_same_file("${WORK_DIR}/test.cab" "${dist}/Vimbra.arm_ppc.CAB")
# file(READ) drops carriage returns, so the line ends are compared as bytes.
file(READ "${dist}/Vimbra.ini" shipped_hex HEX)
file(READ "${CRADLET_INI}" source_hex HEX)
string(REGEX MATCHALL ".." source_bytes "${source_hex}")
set(expected_hex "")
foreach(byte ${source_bytes})
  if(byte STREQUAL "0a")
    string(APPEND expected_hex "0d0a")
  else()
    string(APPEND expected_hex "${byte}")
  endif()
endforeach()
if(NOT shipped_hex STREQUAL expected_hex)
  message(FATAL_ERROR "Vimbra.ini is not the source description file with CR LF line ends")
endif()
file(READ "${dist}/Vimbra.ini" ini)
if(NOT ini MATCHES "^\\[CEAppManager\\]\nVersion *= *1\\.0\nComponent *= *([A-Za-z]+)\n")
  message(FATAL_ERROR "Vimbra.ini does not start with its [CEAppManager] section")
endif()
if(NOT ini MATCHES "\\[${CMAKE_MATCH_1}\\]\n(.*\n)?CabFiles *= *Vimbra\\.arm_ppc\\.CAB\n")
  message(FATAL_ERROR "Vimbra.ini does not name Vimbra.arm_ppc.CAB in its component section")
endif()

# 2. Without a cabinet: said so, and the earlier cabinet is not left to ship.
package("")
if(NOT result EQUAL 0 OR NOT output MATCHES "no[ \n]+cabinet[ \n]+given")
  message(FATAL_ERROR "packaging without a cabinet: ${result}\n${output}")
endif()
if(EXISTS "${dist}/Vimbra.arm_ppc.CAB" OR NOT EXISTS "${dist}/Cradlet.exe" OR NOT EXISTS "${dist}/Vimbra.ini")
  message(FATAL_ERROR "packaging without a cabinet left the wrong files")
endif()

# 3. A file that is no cabinet, and a path that does not exist: stopped.
foreach(bad "${CRADLET_INI}" "${WORK_DIR}/absent.cab")
  package("${bad}")
  if(result EQUAL 0 OR NOT output MATCHES "(not[ \n]+a[ \n]+cabinet|does[ \n]+not[ \n]+exist)")
    message(FATAL_ERROR "packaging with ${bad} was not stopped:\n${output}")
  endif()
  if(EXISTS "${dist}/Vimbra.arm_ppc.CAB")
    message(FATAL_ERROR "packaging with ${bad} shipped it as the cabinet")
  endif()
endforeach()
message(STATUS "packaging checks passed")
