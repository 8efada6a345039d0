# Included at the end of the project's project() call in the fuzzing build only: once the
# whole tree has defined its libraries, fuzz/targets.cmake adds the fuzz targets on top of them.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL include ${CMAKE_SOURCE_DIR}/fuzz/targets.cmake)
