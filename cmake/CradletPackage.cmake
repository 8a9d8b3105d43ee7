# Assembles Cradlet's distribution folder; run with cmake -P. Inputs:
# CRADLET_EXE, CRADLET_INI, CRADLET_DIST_DIR, and CRADLET_CAB (may be empty).
#
# The folder holds what Cradlet expects beside itself: Cradlet.exe,
# Vimbra.ini (with Windows line ends) and Vimbra.arm_ppc.CAB. The cabinet is
# made by the handheld build on another machine, so it is only ever copied
# from the path given; without one the folder is assembled without it and
# this script says so, since Cradlet would then report missing source files.

foreach(input CRADLET_EXE CRADLET_INI CRADLET_DIST_DIR)
  if(NOT ${input})
    message(FATAL_ERROR "cradlet-package: ${input} is not set")
  endif()
endforeach()
foreach(input CRADLET_EXE CRADLET_INI)
  if(NOT EXISTS "${${input}}")
    message(FATAL_ERROR "cradlet-package: ${${input}} does not exist")
  endif()
endforeach()

set(dist_cab "${CRADLET_DIST_DIR}/Vimbra.arm_ppc.CAB")
if(CRADLET_CAB)
  if(NOT EXISTS "${CRADLET_CAB}" OR IS_DIRECTORY "${CRADLET_CAB}")
    message(FATAL_ERROR "cradlet-package: the cabinet ${CRADLET_CAB} (VIMBRA_CAB) does not exist")
  endif()
  # Every cabinet starts with the signature "MSCF".
  file(READ "${CRADLET_CAB}" signature LIMIT 4 HEX)
  if(NOT signature STREQUAL "4d534346")
    message(FATAL_ERROR "cradlet-package: ${CRADLET_CAB} (VIMBRA_CAB) is not a cabinet file")
  endif()
endif()

file(MAKE_DIRECTORY "${CRADLET_DIST_DIR}")
file(COPY_FILE "${CRADLET_EXE}" "${CRADLET_DIST_DIR}/Cradlet.exe" ONLY_IF_DIFFERENT)
configure_file("${CRADLET_INI}" "${CRADLET_DIST_DIR}/Vimbra.ini" @ONLY NEWLINE_STYLE CRLF)

if(CRADLET_CAB)
  file(COPY_FILE "${CRADLET_CAB}" "${dist_cab}" ONLY_IF_DIFFERENT)
  message(STATUS "cradlet-package: ${CRADLET_DIST_DIR} holds Cradlet.exe, Vimbra.ini and Vimbra.arm_ppc.CAB")
else()
  # A cabinet left from an earlier run with another VIMBRA_CAB is not shipped.
  file(REMOVE "${dist_cab}")
  message(WARNING "cradlet-package: no cabinet given (configure with -DVIMBRA_CAB=/path/to/Vimbra.arm_ppc.CAB); "
                  "${CRADLET_DIST_DIR} holds Cradlet.exe and Vimbra.ini only, and Cradlet started from it "
                  "reports missing source files")
endif()
