# Cradlet.exe must start on a bare 32-bit Windows with nothing beside it: this
# check reads its PE header and import table. Run with cmake -P; inputs
# OBJDUMP (i686-w64-mingw32-objdump) and CRADLET_EXE.

execute_process(COMMAND "${OBJDUMP}" -p "${CRADLET_EXE}" OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump -p ${CRADLET_EXE} failed (${result})")
endif()

# An x86 program of the windowed subsystem: no console window opens.
if(NOT dump MATCHES "file format pei-i386")
  message(FATAL_ERROR "Cradlet.exe is not a 32-bit x86 program")
endif()
if(NOT dump MATCHES "Subsystem[ \t]+00000002")
  message(FATAL_ERROR "Cradlet.exe is not a windowed (GUI subsystem) program")
endif()

# Only system libraries: the C++ and gcc runtimes are linked in statically.
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
set(dlls "")
foreach(line ${lines})
  string(REGEX REPLACE "DLL Name: *" "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOUPPER "${dll}" dll)
  list(APPEND dlls "${dll}")
endforeach()
list(SORT dlls)
set(expected ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL)
if(NOT dlls STREQUAL expected)
  message(FATAL_ERROR "Cradlet.exe imports ${dlls}; expected exactly ${expected}")
endif()
message(STATUS "Cradlet.exe: pei-i386, GUI subsystem, imports ${dlls}")
