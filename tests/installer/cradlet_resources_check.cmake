# Cradlet.exe must carry the icon that make_cradlet_icon drew and a manifest
# asking for the version-6 common controls and per-monitor DPI awareness:
# this check lists the exe's resources with the resource compiler and
# compares them with the icon file. Run with cmake -P; inputs WINDRES
# (i686-w64-mingw32-windres), CRADLET_EXE and CRADLET_ICON.

execute_process(COMMAND "${WINDRES}" -i "${CRADLET_EXE}" -O rc OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "windres could not list the resources of ${CRADLET_EXE} (${result})")
endif()

# The body of the resource whose listing starts with header ("128 14 /* ..."),
# between its BEGIN and END lines; fails when there is none.
function(resource_body header out)
  string(FIND "${dump}" "\n${header}\nBEGIN\n" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "Cradlet.exe has no resource ${header}")
  endif()
  string(LENGTH "\n${header}\nBEGIN\n" skip)
  math(EXPR start "${start} + ${skip}")
  string(SUBSTRING "${dump}" ${start} -1 rest)
  string(FIND "${rest}" "\nEND" end)
  string(SUBSTRING "${rest}" 0 ${end} body)
  set(${out} "${body}" PARENT_SCOPE)
endfunction()

# Little-endian unsigned number of nbytes bytes at offset of the icon file.
function(read_icon_number offset nbytes out)
  file(READ "${CRADLET_ICON}" hex OFFSET ${offset} LIMIT ${nbytes} HEX)
  set(value 0)
  foreach(i RANGE ${nbytes})
    if(i EQUAL nbytes)
      break()
    endif()
    math(EXPR pos "(${nbytes} - 1 - ${i}) * 2")
    string(SUBSTRING "${hex}" ${pos} 2 byte)
    math(EXPR value "${value} * 256 + 0x${byte}")
  endforeach()
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# The bytes of one RT_ICON resource of the dump, as lower-case hex. windres
# lists them as 32-bit little-endian words ("0x28L"); every image of a
# 4-bit icon is a whole number of words.
function(icon_resource_hex id out)
  resource_body("${id} 3 /* RT_ICON */" body)
  string(REGEX MATCHALL "0x[0-9a-fA-F]+L" words "${body}")
  set(hex "")
  foreach(word ${words})
    string(REGEX REPLACE "^0x([0-9a-fA-F]+)L$" "\\1" digits "${word}")
    string(LENGTH "${digits}" length)
    math(EXPR pad "8 - ${length}")
    string(REPEAT "0" ${pad} zeros)
    set(digits "${zeros}${digits}")
    foreach(pos 6 4 2 0)
      string(SUBSTRING "${digits}" ${pos} 2 byte)
      string(APPEND hex "${byte}")
    endforeach()
  endforeach()
  string(TOLOWER "${hex}" hex)
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

# 1. The icon group IDR_MAINFRAME (128) names one RT_ICON per image of the
#    icon file, in its order, with its size, colours and bits, and each
#    RT_ICON holds exactly that image's bytes.
resource_body("128 14 /* RT_GROUP_ICON */" group)
read_icon_number(4 2 count)
if(NOT group MATCHES "^ *0, 1, ${count},")
  message(FATAL_ERROR "the icon group does not hold the ${count} images of ${CRADLET_ICON}:\n${group}")
endif()
string(REGEX MATCHALL "\"[^\"]*\", 1, [0-9]+, 0x[0-9a-f]+L, [0-9]+" elements "${group}")
list(LENGTH elements listed)
if(NOT listed EQUAL count)
  message(FATAL_ERROR "the icon group lists ${listed} images, the icon file ${count}")
endif()
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  math(EXPR entry "6 + 16 * ${i}")
  read_icon_number(${entry} 1 width)
  math(EXPR at "${entry} + 2")
  read_icon_number(${at} 1 colours)
  math(EXPR at "${entry} + 6")
  read_icon_number(${at} 2 bits)
  math(EXPR at "${entry} + 8")
  read_icon_number(${at} 4 size)
  math(EXPR at "${entry} + 12")
  read_icon_number(${at} 4 offset)
  list(GET elements ${i} element)
  string(REGEX MATCH "^\"\\\\([0-7]+)\\\\([0-7]+)\\\\([0-7]+)\\\\000\", 1, ([0-9]+), 0x([0-9a-f]+)L, ([0-9]+)$" parts
               "${element}")
  set(octals "${CMAKE_MATCH_1};${CMAKE_MATCH_2};${CMAKE_MATCH_3}")
  set(listed_bits ${CMAKE_MATCH_4})
  math(EXPR listed_size "0x${CMAKE_MATCH_5}")
  set(id ${CMAKE_MATCH_6})
  # Width, height and colours are listed as octal escapes.
  foreach(n 1 2 3)
    math(EXPR index "${n} - 1")
    list(GET octals ${index} octal)
    set(decimal 0)
    string(LENGTH "${octal}" digits)
    math(EXPR top "${digits} - 1")
    foreach(d RANGE ${top})
      string(SUBSTRING "${octal}" ${d} 1 digit)
      math(EXPR decimal "${decimal} * 8 + ${digit}")
    endforeach()
    set(group_byte_${n} ${decimal})
  endforeach()
  if(NOT group_byte_1 EQUAL width OR NOT group_byte_2 EQUAL width OR NOT group_byte_3 EQUAL colours
     OR NOT listed_bits EQUAL bits OR NOT listed_size EQUAL size)
    message(FATAL_ERROR "icon group element ${i} (${element}) is not image ${i} of the icon file "
                        "(${width} x ${width}, ${colours} colours, ${bits} bits, ${size} bytes)")
  endif()
  icon_resource_hex(${id} resource_hex)
  file(READ "${CRADLET_ICON}" image_hex OFFSET ${offset} LIMIT ${size} HEX)
  if(NOT resource_hex STREQUAL image_hex)
    message(FATAL_ERROR "RT_ICON ${id} of Cradlet.exe differs from the ${width} x ${width} image of ${CRADLET_ICON}")
  endif()
endforeach()

# 2. The manifest: run as the invoker, version-6 common controls for x86,
#    per-monitor DPI awareness in both the old and the new form.
resource_body("1 24 /* RT_MANIFEST */" manifest)
# windres shows the manifest as quoted lines with doubled quotes.
string(REGEX REPLACE "\\\\n\"\n *\"" "\n" manifest "${manifest}")
string(REPLACE "\"\"" "\"" manifest "${manifest}")
string(REGEX REPLACE "[ \n]+" " " manifest "${manifest}")
foreach(
  expected
  "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"
  "<dependency> <dependentAssembly> <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"x86\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/>"
  ">true/pm</dpiAware>"
  ">PerMonitorV2,PerMonitor</dpiAwareness>")
  string(FIND "${manifest}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the manifest of Cradlet.exe lacks ${expected}:\n${manifest}")
  endif()
endforeach()
message(STATUS "Cradlet.exe: icon group 128 with the ${count} images of ${CRADLET_ICON}; manifest complete")
