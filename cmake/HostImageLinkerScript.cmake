# Makes the linker script of the test programs that stand in for the host: the default
# MinGW script with a NOLOAD section .hostimg over 0x401000-0x800000, so that every host
# routine and datum address is memory of the test process. .text follows it.
# Input: LD (the linker), OUT (the script to write).
execute_process(COMMAND ${LD} --verbose OUTPUT_VARIABLE verbose RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${LD} --verbose failed")
endif()
string(REGEX MATCH "==================================================\n(.*)\n==================================================" _ "${verbose}")
set(script "${CMAKE_MATCH_1}")
string(REGEX REPLACE
  "\\.text[ \t]+__image_base__ \\+ \\( __section_alignment__ < 0x1000 \\? \\. : __section_alignment__ \\) :"
  ".hostimg __image_base__ + 0x1000 (NOLOAD) : { . = . + 0x3FF000; }\n  .text ALIGN(__section_alignment__) :"
  patched "${script}")
if(patched STREQUAL script)
  message(FATAL_ERROR "could not place .hostimg in the linker script")
endif()
file(WRITE "${OUT}" "${patched}")
