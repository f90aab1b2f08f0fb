# Writes the test functions of a Qt Test executable, one a line: cmake
# -DEXE=... -DOUT=... -P listfunctions.cmake
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(COMMAND "${EXE}" -functions OUTPUT_VARIABLE functions RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${EXE} -functions failed: ${status}")
endif()
file(WRITE "${OUT}" "${functions}")
